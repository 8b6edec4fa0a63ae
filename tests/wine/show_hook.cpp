// The DLL side of the show counter (see show_hook.h), loaded into the tool's
// process by the hook that the driver sets on its thread.

#include "show_hook.h"

#include <cwchar>

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
    if (!counts) return;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wcscmp(className, L"#32770") != 0 || (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) return;
    switch (murn_wine::Classify(window)) {
    case murn_wine::WindowKind::MainPage: InterlockedIncrement(&counts->mainPageShows); break;
    case murn_wine::WindowKind::ModsPage: InterlockedIncrement(&counts->modsPageShows); break;
    case murn_wine::WindowKind::MessageBox: InterlockedIncrement(&counts->messageBoxShows); break;
    case murn_wine::WindowKind::Other: break;
    }
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
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
