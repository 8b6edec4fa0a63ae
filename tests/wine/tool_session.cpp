#include "tool_session.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace murn_wine {

void Fail(const std::wstring& what) { throw Failure{what}; }

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

namespace {

constexpr DWORD kPollMs = 15;
constexpr int kMessageBoxTextId = 0xFFFF;  // the static text of a system message box
constexpr int kVersionBox = 1033;
constexpr int kLargeAddressBox = 1034;
constexpr std::array<int, 2> kTrackbars = {1035, 1046};
constexpr std::array<int, 2> kValueLabels = {1047, 1048};

DWORD Scaled(DWORD ms) {
    const char* scale = std::getenv("MURN_WINE_TIMEOUT_SCALE");
    const long factor = scale ? std::strtol(scale, nullptr, 10) : 1;
    return ms * static_cast<DWORD>(factor > 0 ? factor : 1);
}

struct TopWindowSearch {
    DWORD processId;
    std::vector<TopWindow> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TopWindowSearch*>(param);
    if (ProcessOf(window) != search->processId) return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    search->found.push_back({window, className, IsWindowVisible(window) != FALSE});
    return TRUE;
}

// The process's dialogs, message boxes included.
std::vector<HWND> Dialogs(DWORD processId) {
    std::vector<HWND> dialogs;
    for (const TopWindow& top : TopLevelWindows(processId)) {
        if (top.className == L"#32770") dialogs.push_back(top.window);
    }
    return dialogs;
}

const wchar_t* KindName(WindowKind kind) {
    switch (kind) {
    case WindowKind::MainPage: return L"main page";
    case WindowKind::ModsPage: return L"mods page";
    case WindowKind::MessageBox: return L"message box";
    case WindowKind::Other: return L"other dialog";
    }
    return L"?";
}

std::vector<RowIds> MainRows() {
    return {{1000, 1001}, {1003, 1002}, {1005, 1004}, {1007, 1006}, {1009, 1008}, {1011, 1010},
            {1013, 1012}, {1015, 1014}, {1017, 1016}, {1019, 1018}, {1021, 1020}, {1023, 1022},
            {1025, 1024}, {1027, 1026}, {1029, 1028}, {1031, 1030}, {1036, 1064}, {1038, 1037},
            {1040, 1039}, {1042, 1041}, {1044, 1043}, {1065, 1045}};
}

std::vector<RowIds> ModsRows() {
    return {{1000, 1001}, {1003, 1002}, {1005, 1004}, {1007, 1006}, {1009, 1008}, {1011, 1010}, {1013, 1012},
            {1015, 1014}, {1017, 1016}, {1019, 1018}, {1021, 1020}, {1023, 1022}, {1024, 1025}};
}

HOOKPROC ShowHookProc(HMODULE& module) {
    static HMODULE hookModule = nullptr;
    static HOOKPROC proc = [] {
        std::wstring dll(MAX_PATH, L'\0');
        dll.resize(GetModuleFileNameW(nullptr, dll.data(), MAX_PATH));
        dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"murn_show_hook.dll";
        hookModule = LoadLibraryW(dll.c_str());
        if (!hookModule) Fail(L"cannot load " + dll);
        auto found = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void (*)()>(GetProcAddress(hookModule, kShowHookProcName)));
        if (!found) Fail(L"no hook procedure in " + dll);
        return found;
    }();
    module = hookModule;
    return proc;
}

}  // namespace

const PageLayout kMainLayout = {L"main page", MainRows(), {6, 6}, true};
const PageLayout kModsLayout = {L"mods page", ModsRows(), {3, 6}, false};

std::vector<TopWindow> TopLevelWindows(DWORD processId) {
    TopWindowSearch search{processId, {}};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD StartTimeoutMs() { return Scaled(30000); }
DWORD ReactTimeoutMs() { return Scaled(10000); }

std::wstring Compare(const PageState& actual, const PageState& expected) {
    for (std::size_t i = 0; i < expected.labels.size(); ++i) {
        if (i >= actual.labels.size() || actual.labels[i] != expected.labels[i]) {
            return L"row " + std::to_wstring(i) + L" label is \"" + (i < actual.labels.size() ? actual.labels[i] : L"") +
                   L"\", expected \"" + expected.labels[i] + L"\"";
        }
    }
    for (std::size_t i = 0; i < expected.checks.size(); ++i) {
        if (i >= actual.checks.size() || actual.checks[i] != expected.checks[i]) {
            return L"row " + std::to_wstring(i) + L" check mark is " +
                   (i < actual.checks.size() ? std::to_wstring(actual.checks[i]) : L"missing") + L", expected " +
                   std::to_wstring(expected.checks[i]);
        }
    }
    if (actual.version != expected.version) {
        return L"version box shows \"" + actual.version + L"\", expected \"" + expected.version + L"\"";
    }
    if (actual.largeAddress != expected.largeAddress) {
        return L"large-address box is " + std::to_wstring(actual.largeAddress) + L", expected " +
               std::to_wstring(expected.largeAddress);
    }
    for (std::size_t s = 0; s < 2; ++s) {
        const std::wstring slider = L"slider " + std::to_wstring(s + 1);
        if (actual.sliderMax[s] != expected.sliderMax[s]) {
            return slider + L" range ends at " + std::to_wstring(actual.sliderMax[s]) + L", expected " +
                   std::to_wstring(expected.sliderMax[s]);
        }
        if (actual.sliderPositions[s] != expected.sliderPositions[s]) {
            return slider + L" is at " + std::to_wstring(actual.sliderPositions[s]) + L", expected " +
                   std::to_wstring(expected.sliderPositions[s]);
        }
        if (actual.valueTexts[s] != expected.valueTexts[s]) {
            return slider + L" value label shows \"" + actual.valueTexts[s] + L"\", expected \"" +
                   expected.valueTexts[s] + L"\"";
        }
    }
    return {};
}

ToolSession::ToolSession(const std::wstring& exePath, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exePath + L"\"";
    // Suspended until the show hook is set, so that no show goes uncounted.
    if (!CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        folder.c_str(), &startup, &process_)) {
        Fail(L"cannot start " + exePath + L" (error " + std::to_wstring(GetLastError()) + L")");
    }
    try {
        SetShowHook();
    } catch (...) {
        TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        throw;
    }
    ResumeThread(process_.hThread);
}

void ToolSession::SetShowHook() {
    countsMapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ShowCounts),
                                        ShowCountsName(process_.dwProcessId).c_str());
    if (countsMapping_) {
        counts_ = static_cast<ShowCounts*>(MapViewOfFile(countsMapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ShowCounts)));
    }
    if (!counts_) Fail(L"cannot create the shared show counts");
    HMODULE module = nullptr;
    HOOKPROC proc = ShowHookProc(module);
    showHook_ = SetWindowsHookExW(WH_CALLWNDPROC, proc, module, process_.dwThreadId);
    if (!showHook_) Fail(L"cannot hook the tool's thread (error " + std::to_wstring(GetLastError()) + L")");
}

ToolSession::~ToolSession() {
    if (showHook_) UnhookWindowsHookEx(showHook_);
    if (counts_) UnmapViewOfFile(counts_);
    if (countsMapping_) CloseHandle(countsMapping_);
    if (Running()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool ToolSession::Running() { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

std::vector<HWND> ToolSession::Windows(WindowKind kind) {
    std::vector<HWND> result;
    for (HWND window : Dialogs(process_.dwProcessId)) {
        if (Classify(window) == kind) result.push_back(window);
    }
    return result;
}

void ToolSession::Record(HWND window, WindowKind kind) {
    switch (kind) {
    case WindowKind::MainPage: mainVisible_ = true; break;
    case WindowKind::ModsPage: modsVisible_ = true; break;
    case WindowKind::MessageBox: messageBoxes_.insert(window); break;
    case WindowKind::Other: break;
    }
}

void ToolSession::Poll() {
    for (HWND window : Dialogs(process_.dwProcessId)) {
        if (IsWindowVisible(window)) Record(window, Classify(window));
    }
}

void ToolSession::ResetRecord() {
    InterlockedExchange(&counts_->mainPageShows, 0);
    InterlockedExchange(&counts_->modsPageShows, 0);
    InterlockedExchange(&counts_->messageBoxShows, 0);
    messageBoxes_.clear();
    mainVisible_ = false;
    modsVisible_ = false;
}

// A dialog seen by polling but not counted means that the hook missed it; the
// larger number is the truer one.
int ToolSession::MessageBoxesSeen() const {
    return std::max(static_cast<int>(messageBoxes_.size()), static_cast<int>(counts_->messageBoxShows));
}
int ToolSession::MainPageShows() const { return std::max(mainVisible_ ? 1 : 0, static_cast<int>(counts_->mainPageShows)); }
int ToolSession::ModsPageShows() const { return std::max(modsVisible_ ? 1 : 0, static_cast<int>(counts_->modsPageShows)); }

HWND ToolSession::WaitForWindow(WindowKind kind, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Poll();
        for (HWND window : Windows(kind)) {
            if (IsWindowVisible(window)) {
                Record(window, kind);
                return window;
            }
        }
        if (!Running()) Fail(std::wstring(L"the program ended while waiting for a ") + KindName(kind));
        if (GetTickCount() - start > timeoutMs) {
            Fail(std::wstring(L"no ") + KindName(kind) + L" within " + std::to_wstring(timeoutMs) + L" ms");
        }
        Sleep(kPollMs);
    }
}

void ToolSession::WaitForNoWindow(WindowKind kind, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Poll();
        if (Windows(kind).empty()) return;
        if (GetTickCount() - start > timeoutMs) {
            Fail(std::wstring(L"the ") + KindName(kind) + L" is still there after " + std::to_wstring(timeoutMs) +
                 L" ms");
        }
        Sleep(kPollMs);
    }
}

DWORD ToolSession::WaitForExit(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (Running()) {
        Poll();
        // A page may still be visible while it closes; a message box means
        // something happened that should not have.
        for (HWND box : Windows(WindowKind::MessageBox)) {
            if (IsWindowVisible(box)) {
                Fail(L"a message box showed instead of the program ending: \"" + Text(Item(box, kMessageBoxTextId)) +
                     L"\"");
            }
        }
        if (GetTickCount() - start > timeoutMs) {
            Fail(L"the program did not end within " + std::to_wstring(timeoutMs) + L" ms");
        }
        Sleep(kPollMs);
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void ToolSession::ExpectMessage(const std::wstring& text) {
    HWND box = WaitForWindow(WindowKind::MessageBox, ReactTimeoutMs());
    const ShownMessage shown{Text(box), Text(Item(box, kMessageBoxTextId))};
    if (shown.text != text) Fail(L"message box says \"" + shown.text + L"\", expected \"" + text + L"\"");
    if (shown.caption != L"MURNoptions") Fail(L"message box caption is \"" + shown.caption + L"\"");
    PostClick(box, IDOK);
    const DWORD start = GetTickCount();
    while (IsWindow(box)) {
        if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"the message box \"" + text + L"\" did not close");
        Sleep(kPollMs);
    }
}

LRESULT ToolSession::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    // Not SMTO_ABORTIFHUNG: Wine counts a thread as hung when it has not
    // asked for a message for 5 s, which a slow start-up does when its first
    // window is a message box shown from the main page's initialisation; the
    // send then fails at once although the box answers a moment later.
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, ReactTimeoutMs(), &result)) {
        wchar_t hex[16] = {};
        std::swprintf(hex, std::size(hex), L"0x%04X", message);
        Fail(std::wstring(L"message ") + hex + L" to the tool timed out");
    }
    return static_cast<LRESULT>(result);
}

HWND ToolSession::Item(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) Fail(L"the dialog has no control " + std::to_wstring(id));
    return item;
}

std::wstring ToolSession::Text(HWND window) {
    const auto length = static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    const auto copied =
        static_cast<std::size_t>(Send(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied);
    return text;
}

PageState ToolSession::ReadPage(HWND dialog, const PageLayout& layout) {
    PageState state;
    for (const RowIds& row : layout.rows) {
        state.labels.push_back(Text(Item(dialog, row.label)));
        state.checks.push_back(static_cast<int>(Send(Item(dialog, row.check), BM_GETCHECK)));
    }
    if (layout.hasVersionAndLargeAddress) {
        state.version = Text(Item(dialog, kVersionBox));
        state.largeAddress = static_cast<int>(Send(Item(dialog, kLargeAddressBox), BM_GETCHECK));
    }
    for (std::size_t s = 0; s < 2; ++s) {
        HWND trackbar = Item(dialog, kTrackbars[s]);
        state.sliderPositions[s] = static_cast<int>(Send(trackbar, TBM_GETPOS));
        state.sliderMax[s] = static_cast<int>(Send(trackbar, TBM_GETRANGEMAX));
        state.valueTexts[s] = Text(Item(dialog, kValueLabels[s]));
    }
    return state;
}

void ToolSession::Click(HWND dialog, int id) { Send(Item(dialog, id), BM_CLICK); }

void ToolSession::PostClick(HWND dialog, int id) {
    if (!PostMessageW(Item(dialog, id), BM_CLICK, 0, 0)) Fail(L"cannot post a click to control " + std::to_wstring(id));
}

void ToolSession::PostToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageW(dialog, message, wParam, lParam)) Fail(L"cannot post message " + std::to_wstring(message));
}

HWND ToolSession::FocusedWindow() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void ToolSession::PressKey(HWND dialog, int id, UINT virtualKey) {
    HWND control = Item(dialog, id);
    PostToDialog(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    const DWORD start = GetTickCount();
    while (FocusedWindow() != control) {
        if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"control " + std::to_wstring(id) + L" did not take the focus");
        Sleep(kPollMs);
    }
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const auto down = static_cast<LPARAM>(1u | (scan << 16));
    const auto up = static_cast<LPARAM>(1u | (scan << 16) | (1u << 30) | (1u << 31));
    if (!PostMessageW(control, WM_KEYDOWN, virtualKey, down) || !PostMessageW(control, WM_KEYUP, virtualKey, up)) {
        Fail(L"cannot post a key to control " + std::to_wstring(id));
    }
}

}  // namespace murn_wine
