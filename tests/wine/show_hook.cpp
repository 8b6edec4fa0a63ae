// The DLL side of the show counter (see show_hook.h), loaded into the tool's
// process by the hook that the driver sets on its thread.

#include "show_hook.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

murn_wine::ShowCounts* Counts() {
    static murn_wine::ShowCounts* counts = [] {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE,
                                          murn_wine::ShowCountsName(GetCurrentProcessId()).c_str());
        return mapping ? static_cast<murn_wine::ShowCounts*>(
                             MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(murn_wine::ShowCounts)))
                       : nullptr;
    }();
    return counts;
}

void CountShow(HWND window) {
    murn_wine::ShowCounts* counts = Counts();
    if (!counts || (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) return;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wcscmp(className, L"#32770") != 0) {
        InterlockedIncrement(&counts->otherWindowShows);
        return;
    }
    switch (murn_wine::Classify(window)) {
    case murn_wine::WindowKind::MainPage: InterlockedIncrement(&counts->mainPageShows); break;
    case murn_wine::WindowKind::ModsPage: InterlockedIncrement(&counts->modsPageShows); break;
    case murn_wine::WindowKind::MessageBox: InterlockedIncrement(&counts->messageBoxShows); break;
    case murn_wine::WindowKind::Other: break;
    }
}

UINT Handle(const void* handle) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(handle)); }

void ReadWindow(HWND window) {
    murn_wine::ShowCounts* counts = Counts();
    if (!counts) return;
    murn_wine::WindowReading& reading = counts->window;
    HMENU menu = GetSystemMenu(window, FALSE);
    reading.menuItemCount = menu ? GetMenuItemCount(menu) : -1;
    const int stored = std::min(reading.menuItemCount, static_cast<LONG>(std::size(reading.menuItems)));
    for (int i = 0; i < stored; ++i) {
        murn_wine::MenuItemReading& item = reading.menuItems[i];
        item = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = item.text;
        info.cch = static_cast<UINT>(std::size(item.text));
        if (GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) {
            item.type = info.fType;
            item.id = info.wID;
        }
    }
    reading.bigIcon = Handle(reinterpret_cast<void*>(SendMessageW(window, WM_GETICON, ICON_BIG, 0)));
    reading.smallIcon = Handle(reinterpret_cast<void*>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)));
    reading.icon128 = Handle(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128)));
    InterlockedIncrement(&reading.readings);
}

UINT ReadWindowMessage() {
    static const UINT message = RegisterWindowMessageW(murn_wine::kReadWindowMessage);
    return message;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MurnShowHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        // Every way of showing a window ends in this message with the flag.
        if (call->message == WM_WINDOWPOSCHANGED &&
            (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_SHOWWINDOW)) {
            CountShow(call->hwnd);
        }
        if (call->message != 0 && call->message == ReadWindowMessage()) ReadWindow(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
