// Group about-help: the main page's About entry and About box, the window
// icons, the Help buttons of both pages, with the help file in the game
// folder and without it, and F1. Two runs of the tool.
//
// Under Wine another process can neither read the tool's menus nor ask its
// windows for their icons, so the show hook reads a window's system menu and
// icons inside the tool when asked (show_hook.h) and leaves the reading in the
// shared counts of that run.

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "scenario.h"

namespace murn_wine {
namespace {

constexpr UINT kAboutCommand = 0x0010;
constexpr const wchar_t* kAboutEntry = L"&About Murn...";
constexpr const wchar_t* kAboutCaption = L"About Murn Option Selector";
constexpr const wchar_t* kHelpFile = L"MURNoptions.chm";

std::wstring Hex(UINT_PTR value) {
    wchar_t text[16] = {};
    std::swprintf(text, std::size(text), L"0x%04X", static_cast<unsigned>(value));
    return text;
}

// The same run's shared counts, mapped a second time: the session keeps its
// own view for the show counts.
class HookCounts {
public:
    explicit HookCounts(HWND toolWindow) {
        mapping_ = OpenFileMappingW(FILE_MAP_READ, FALSE, ShowCountsName(ProcessOf(toolWindow)).c_str());
        if (mapping_) counts_ = static_cast<const ShowCounts*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
        if (!counts_) Fail(L"cannot open the show hook's counts");
    }
    ~HookCounts() {
        if (counts_) UnmapViewOfFile(counts_);
        if (mapping_) CloseHandle(mapping_);
    }
    HookCounts(const HookCounts&) = delete;
    HookCounts& operator=(const HookCounts&) = delete;

    const ShowCounts& operator*() const { return *counts_; }
    const ShowCounts* operator->() const { return counts_; }

private:
    HANDLE mapping_ = nullptr;
    const ShowCounts* counts_ = nullptr;
};

// A window's system menu and icons, as the show hook read them inside the tool.
struct WindowFacts {
    std::vector<MenuItemReading> menu;
    HICON bigIcon, smallIcon, icon128;
};

HICON AsIcon(UINT handle) { return reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle)); }

WindowFacts ReadWindow(ToolSession& tool, const HookCounts& counts, HWND window) {
    static const UINT message = RegisterWindowMessageW(kReadWindowMessage);
    const WindowReading& reading = counts->window;
    const LONG before = reading.readings;
    tool.Send(window, message);
    if (reading.readings == before) Fail(L"the show hook did not read the window");
    const LONG count = reading.menuItemCount;
    if (count < 0) Fail(L"the window has no system menu");
    if (count > static_cast<LONG>(std::size(reading.menuItems))) {
        Fail(L"the system menu has " + std::to_wstring(count) + L" items, more than the hook keeps");
    }
    return {{reading.menuItems, reading.menuItems + count},
            AsIcon(reading.bigIcon),
            AsIcon(reading.smallIcon),
            AsIcon(reading.icon128)};
}

bool IsSeparator(const MenuItemReading& item) { return (item.type & MFT_SEPARATOR) != 0; }
bool IsAboutCommand(const MenuItemReading& item) { return !IsSeparator(item) && (item.id & 0xFFF0) == kAboutCommand; }

std::wstring Describe(const std::vector<MenuItemReading>& items) {
    std::wstring text;
    for (const MenuItemReading& item : items) {
        if (!text.empty()) text += L" | ";
        text += IsSeparator(item) ? std::wstring(L"----") : Hex(item.id) + L" \"" + item.text + L"\"";
    }
    return L"[" + text + L"]";
}

bool SameItems(const std::vector<MenuItemReading>& a, const std::vector<MenuItemReading>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].type != b[i].type || a[i].id != b[i].id || std::wstring(a[i].text) != b[i].text) return false;
    }
    return true;
}

// The platform's own items, and after them a separator and the About entry.
// Returns the platform's items.
std::vector<MenuItemReading> ExpectAboutEntryLast(const std::vector<MenuItemReading>& items) {
    if (items.size() < 3) Fail(L"the main page's system menu is " + Describe(items));
    const MenuItemReading& last = items.back();
    if (!IsAboutCommand(last) || last.id != kAboutCommand || std::wstring(last.text) != kAboutEntry) {
        Fail(L"the last item of the main page's system menu is not the About entry: " + Describe(items));
    }
    if (!IsSeparator(items[items.size() - 2])) Fail(L"no separator before the About entry: " + Describe(items));
    std::vector<MenuItemReading> platform(items.begin(), items.end() - 2);
    bool hasClose = false;
    for (const MenuItemReading& item : platform) {
        if (IsAboutCommand(item)) Fail(L"a second About entry: " + Describe(items));
        hasClose = hasClose || item.id == SC_CLOSE;
    }
    if (!hasClose) Fail(L"the About entry does not follow the platform's items: " + Describe(items));
    return platform;
}

// A dialog that adds nothing has the platform's items alone.
void ExpectPlatformMenu(const std::vector<MenuItemReading>& menu, const std::vector<MenuItemReading>& platform,
                        const wchar_t* whose) {
    for (const MenuItemReading& item : menu) {
        if (IsAboutCommand(item) || std::wstring(item.text) == kAboutEntry) {
            Fail(std::wstring(whose) + L" has an About entry: " + Describe(menu));
        }
    }
    if (!SameItems(menu, platform)) {
        Fail(std::wstring(whose) + L"'s system menu is " + Describe(menu) + L", not the platform's " +
             Describe(platform));
    }
}

void ExpectNoIcons(const WindowFacts& facts, const wchar_t* whose) {
    if (facts.bigIcon || facts.smallIcon) Fail(std::wstring(whose) + L" sets a window icon");
}

// Posts the system command to the main page and checks the About box that
// opens: caption, centred over the main page and owned by it, the main page
// disabled meanwhile, no entry and no icons of its own.
HWND OpenAbout(ToolSession& tool, const HookCounts& counts, HWND main, WPARAM command,
               const std::vector<MenuItemReading>& platform) {
    tool.PostToDialog(main, WM_SYSCOMMAND, command, 0);
    HWND about = tool.WaitForWindow(WindowKind::Other, ReactTimeoutMs());
    if (tool.Text(about) != kAboutCaption) Fail(L"the About box's caption is \"" + tool.Text(about) + L"\"");
    if (GetWindow(about, GW_OWNER) != main) Fail(L"the About box is not owned by the main page");
    if (IsWindowEnabled(main)) Fail(L"the main page takes input while the About box is open");
    RECT outer{}, inner{};
    GetWindowRect(main, &outer);
    GetWindowRect(about, &inner);
    const long dx = (outer.left + outer.right) - (inner.left + inner.right);
    const long dy = (outer.top + outer.bottom) - (inner.top + inner.bottom);
    if (std::labs(dx) > 2 || std::labs(dy) > 2) Fail(L"the About box is not centred over the main page");
    const WindowFacts facts = ReadWindow(tool, counts, about);
    ExpectPlatformMenu(facts.menu, platform, L"the About box");
    ExpectNoIcons(facts, L"the About box");
    return about;
}

void ExpectMainUsable(ToolSession& tool, HWND main, PageState& state, std::size_t row) {
    if (!IsWindowVisible(main) || !IsWindowEnabled(main)) Fail(L"the main page is not usable");
    ClickRow(tool, main, kMainLayout, state, row);
}

// Presses Help without a help file and checks that the tool showed nothing:
// no new top-level window, not even for an instant, and no message box.
void PressHelpExpectingNothing(ToolSession& tool, const HookCounts& counts, HWND dialog) {
    const DWORD processId = ProcessOf(dialog);
    std::vector<HWND> before;
    for (const TopWindow& top : TopLevelWindows(processId)) before.push_back(top.window);
    const LONG otherShows = counts->otherWindowShows, boxes = counts->messageBoxShows;
    try {
        tool.Click(dialog, kHelpButton);
    } catch (const Failure& failure) {
        Fail(L"Help did not return, as if a window of the tool's own waited for the user (" + failure.what + L")");
    }
    Sleep(ReactTimeoutMs() / 20);  // for anything the click may have posted
    for (const TopWindow& top : TopLevelWindows(processId)) {
        if (std::find(before.begin(), before.end(), top.window) == before.end()) {
            Fail(L"Help made a window of class \"" + top.className + L"\"" + (top.visible ? L", shown" : L""));
        }
    }
    if (counts->otherWindowShows != otherShows) Fail(L"Help showed a window");
    if (counts->messageBoxShows != boxes) Fail(L"Help showed a message box");
}

// F1 goes to WinHelp, which hands its request to the top-level window of
// class "MS_WINHELP" (starting a help viewer only when there is none). This
// process plays that window for as long as it lives, so the request itself
// can be read: the help file, the command and the topic.
struct WinHelpRequest {
    bool received = false;
    UINT command = 0;
    DWORD data = 0;
    std::string file;
};

class WinHelpStandIn {
public:
    WinHelpStandIn() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"MS_WINHELP";
        RegisterClassW(&windowClass);  // fails harmlessly when registered by an earlier stand-in
        window_ = CreateWindowW(L"MS_WINHELP", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
        if (window_ == nullptr) Fail(L"cannot create the WinHelp stand-in window");
    }
    ~WinHelpStandIn() { DestroyWindow(window_); }
    WinHelpStandIn(const WinHelpStandIn&) = delete;
    WinHelpStandIn& operator=(const WinHelpStandIn&) = delete;

    // Presses F1 on a control of the dialog and answers the request that
    // follows; the tool waits for the answer, so this must pump messages.
    WinHelpRequest PressF1(ToolSession& tool, HWND dialog, int control) {
        last_ = {};
        tool.PressKey(dialog, control, VK_F1);
        const DWORD start = GetTickCount();
        while (!last_.received) {
            if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"F1 asked WinHelp for nothing");
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        }
        return last_;
    }

private:
    // The request as WinHelp packs it: a header, then the file name.
    struct Packed {
        WORD size;
        WORD command;
        LONG data;
        LONG reserved;
        WORD fileOffset;
        WORD dataOffset;
    };

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (copy->cbData < sizeof(Packed)) return FALSE;
        const auto* bytes = static_cast<const char*>(copy->lpData);
        Packed packed{};
        std::memcpy(&packed, bytes, sizeof packed);
        last_.received = true;
        last_.command = packed.command;
        last_.data = static_cast<DWORD>(packed.data);
        if (packed.fileOffset != 0 && packed.fileOffset < copy->cbData) {
            last_.file = std::string(bytes + packed.fileOffset,
                                     strnlen(bytes + packed.fileOffset, copy->cbData - packed.fileOffset));
        }
        return TRUE;
    }

    HWND window_ = nullptr;
    static inline WinHelpRequest last_;
};

// F1 on a page: WinHelp is asked for the page's topic (0x20000 plus its
// template ID) in the help file named after the program with ".HLP".
void ExpectF1Topic(WinHelpStandIn& winHelp, ToolSession& tool, HWND dialog, int control, int templateId,
                   const std::wstring& exe) {
    const WinHelpRequest request = winHelp.PressF1(tool, dialog, control);
    std::wstring expectedFile = exe.substr(0, exe.find_last_of(L'.')) + L".HLP";
    std::wstring file(request.file.begin(), request.file.end());
    if (request.command != HELP_CONTEXT) Fail(L"F1 sent WinHelp command " + std::to_wstring(request.command));
    if (request.data != 0x20000u + static_cast<DWORD>(templateId)) Fail(L"F1 asked for topic " + Hex(request.data));
    if (_wcsicmp(file.c_str(), expectedFile.c_str()) != 0) {
        Fail(L"F1 asked for help file \"" + file + L"\", expected \"" + expectedFile + L"\"");
    }
}


// The bytes that the main page's OK writes for what it shows.
void PutMainPage(Bytes& exe, const PageState& state) {
    PutSwitches(exe, kMainSwitchPosition, state.checks);
    exe[kLargeAddressOffset] = state.largeAddress ? 0x2F : 0x0F;
    PutBytes(exe, kMainSliderPosition, FloatBytes(2.5f));
    PutBytes(exe, kMainSliderPosition + 4, FloatBytes(1.0f));
}

std::wstring HelpFileBeside(const std::wstring& exe) {
    return exe.substr(0, exe.find_last_of(L"\\/") + 1) + kHelpFile;
}

void RunWithHelpFile(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    const GameFiles game = StandardGame();
    Context ctx;
    HWND main = nullptr;
    PageState mainState;
    std::unique_ptr<ToolSession> tool;
    std::unique_ptr<HookCounts> counts;
    std::vector<MenuItemReading> platform;
    Bytes expected = game.exe;

    const bool started = Check(tally, L"main page: system menu ends with a separator and \"About Murn...\"; "
                                      L"both window icons are icon 128", [&] {
        ctx = Prepare(exe, games, L"about and help", game);
        if (!CopyFileW(HelpFileBeside(exe).c_str(), (ctx.folder + L"\\" + kHelpFile).c_str(), FALSE)) {
            Fail(L"cannot copy " + HelpFileBeside(exe) + L" into the game folder");
        }
        tool = std::make_unique<ToolSession>(ctx.exe, ctx.folder);
        main = StartOnMainPage(*tool);
        counts = std::make_unique<HookCounts>(main);
        mainState = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
        ExpectShows(*tool, main, kMainLayout, mainState);
        const WindowFacts facts = ReadWindow(*tool, *counts, main);
        platform = ExpectAboutEntryLast(facts.menu);
        if (!facts.bigIcon || !facts.smallIcon) Fail(std::wstring(L"no ") + (facts.bigIcon ? L"small" : L"big") + L" window icon");
        if (!facts.icon128) Fail(L"the tool cannot load icon 128");
        if (facts.bigIcon != facts.icon128 || facts.smallIcon != facts.icon128) Fail(L"the window icons are not icon 128");
    });
    if (!started) return;

    // The low four bits of a system command are the system's own: the About
    // command counts with any of them set.
    struct AboutClose {
        const wchar_t* name;
        WPARAM command;
        std::function<void(HWND)> close;
    };
    const AboutClose closes[] = {
        {L"OK", kAboutCommand, [&](HWND about) { tool->PostClick(about, IDOK); }},
        {L"Esc", kAboutCommand | 0xF, [&](HWND about) { tool->PressKey(about, IDOK, VK_ESCAPE); }},
        {L"its close box", kAboutCommand | 0x3,
         [&](HWND about) { tool->PostToDialog(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    std::size_t row = 0;
    for (const AboutClose& way : closes) {
        Check(tally, L"About command " + Hex(way.command) + L" opens the About box, the main page "
                         L"waits; " + way.name + L" closes it",
              [&] {
                  tool->ResetRecord();
                  HWND about = OpenAbout(*tool, *counts, main, way.command, platform);
                  way.close(about);
                  tool->WaitForNoWindow(WindowKind::Other, ReactTimeoutMs());
                  ExpectMainUsable(*tool, main, mainState, row++);
                  if (tool->MessageBoxesSeen() != 0) Fail(L"a message box was shown");
              });
    }

    Check(tally, L"Help on the main page opens the help window; the page stays usable; the window closes", [&] {
        HWND help = PressHelpAndWaitForWindow(*tool, main);
        ExpectMainUsable(*tool, main, mainState, 10);
        if (!IsWindowVisible(help)) Fail(L"the help window went away");
        CloseHelpWindows(*tool, ProcessOf(main));
        ExpectMainUsable(*tool, main, mainState, 11);
        ExpectShows(*tool, main, kMainLayout, mainState);
    });

    Check(tally, L"mods page: no About entry, no window icon; Help opens the help window; OK still writes", [&] {
        tool->ResetRecord();
        tool->PostClick(main, kModsButton);
        HWND mods = tool->WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
        PageState modsState = Expected(game, kModsLayout, ModsLabels(), kStandardModsShows);
        ExpectShows(*tool, mods, kModsLayout, modsState);
        const WindowFacts facts = ReadWindow(*tool, *counts, mods);
        ExpectPlatformMenu(facts.menu, platform, L"the mods page");
        ExpectNoIcons(facts, L"the mods page");

        PressHelpAndWaitForWindow(*tool, mods);
        if (!IsWindowVisible(mods) || !IsWindowEnabled(mods)) Fail(L"the mods page is not usable after Help");
        ClickRow(*tool, mods, kModsLayout, modsState, 4);
        ClickRow(*tool, mods, kModsLayout, modsState, 12);
        tool->PostClick(mods, kOk);
        tool->ExpectMessage(kUpdated);
        tool->WaitForNoWindow(WindowKind::ModsPage, ReactTimeoutMs());
        PutSwitches(expected, kModsSwitchPosition, modsState.checks);
        ExpectFile(ctx, expected);
        if (HelpWindows(ProcessOf(main)).empty()) Fail(L"the help window closed with the mods page");
        ExpectMainUsable(*tool, main, mainState, 12);
    });

    Check(tally, L"Help again while the help window is open; main page OK then writes and the program ends", [&] {
        PressHelpAndWaitForWindow(*tool, main);
        tool->PostClick(main, kOk);
        tool->ExpectMessage(kUpdated);
        tool->WaitForExit(ReactTimeoutMs());
        PutMainPage(expected, mainState);
        ExpectFile(ctx, expected);
    });
}

void RunWithoutHelpFile(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    Check(tally, L"no help file: Help on either page shows nothing of the tool's own; F1 asks WinHelp for the "
                 L"page's topic; both stay usable", [&] {
        const GameFiles game = StandardGame();
        const Context ctx = Prepare(exe, games, L"help file missing", game);
        DeleteFileW((ctx.folder + L"\\" + kHelpFile).c_str());
        ToolSession tool(ctx.exe, ctx.folder);
        HWND main = StartOnMainPage(tool);
        const HookCounts counts(main);
        PageState mainState = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);

        PressHelpExpectingNothing(tool, counts, main);
        ExpectMainUsable(tool, main, mainState, 2);
        WinHelpStandIn winHelp;
        ExpectF1Topic(winHelp, tool, main, kMainLayout.rows[0].check, 102, ctx.exe);
        ExpectMainUsable(tool, main, mainState, 2);

        tool.PostClick(main, kModsButton);
        HWND mods = tool.WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
        PageState modsState = Expected(game, kModsLayout, ModsLabels(), kStandardModsShows);
        PressHelpExpectingNothing(tool, counts, mods);
        ExpectF1Topic(winHelp, tool, mods, kModsLayout.rows[0].check, 103, ctx.exe);
        if (!IsWindowEnabled(mods)) Fail(L"the mods page is not usable after Help");
        ClickRow(tool, mods, kModsLayout, modsState, 1);
        tool.PostClick(mods, kCancel);
        tool.WaitForNoWindow(WindowKind::ModsPage, ReactTimeoutMs());

        ExpectMainUsable(tool, main, mainState, 3);
        tool.PostClick(main, kCancel);
        ExpectNoWindowsAndExit(tool);
        ExpectFile(ctx, game.exe);
    });
}

}  // namespace

void RunAboutHelp(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    RunWithHelpFile(exe, games, tally);
    RunWithoutHelpFile(exe, games, tally);
}

}  // namespace murn_wine
