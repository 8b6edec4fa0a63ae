// What every end-to-end scenario shares: the tool's texts and control IDs,
// game folders per scenario, expectations on what a page shows and on
// "SH3.exe" afterwards, and the bookkeeping of named checks.

#include "scenario.h"

#include <cstdio>

namespace murn_wine {

PageState Expected(const GameFiles& game, const PageLayout& layout, const std::vector<std::string>& labels,
                   const Shows& shows) {
    const bool main = layout.hasVersionAndLargeAddress;
    const std::size_t switches = main ? kMainSwitchPosition : kModsSwitchPosition;
    PageState state;
    for (std::size_t i = 0; i < layout.rows.size(); ++i) {
        state.labels.push_back(Widen(labels[i]));
        state.checks.push_back(game.exe[switches + i] == 0xFF ? 1 : 0);
    }
    if (main) {
        state.version = shows.version;
        state.largeAddress = game.exe[kLargeAddressOffset] == 0x2F ? 1 : 0;
    }
    state.sliderMax = layout.sliderMax;
    state.sliderPositions = shows.sliderPositions;
    state.valueTexts = {shows.valueTexts[0], shows.valueTexts[1]};
    return state;
}

void ExpectShows(ToolSession& tool, HWND dialog, const PageLayout& layout, const PageState& expected) {
    const std::wstring difference = Compare(tool.ReadPage(dialog, layout), expected);
    if (!difference.empty()) Fail(std::wstring(layout.name) + L": " + difference);
}

void ExpectFile(const Context& ctx, const Bytes& expected) {
    Bytes actual;
    if (!ReadWholeFile(ctx.folder + L"\\SH3.exe", actual)) Fail(L"cannot read SH3.exe back");
    const std::wstring difference = FirstDifference(actual, expected);
    if (!difference.empty()) Fail(difference);
}

void PutSwitches(Bytes& exe, std::size_t position, const std::vector<int>& checks) {
    for (std::size_t i = 0; i < checks.size(); ++i) exe[position + i] = checks[i] ? 0xFF : 0x00;
}

void ClickRow(ToolSession& tool, HWND dialog, const PageLayout& layout, PageState& state, std::size_t row,
              bool bySpaceKey) {
    const int id = layout.rows[row].check;
    if (bySpaceKey) {
        tool.PressKey(dialog, id, VK_SPACE);
    } else {
        tool.Click(dialog, id);
    }
    state.checks[row] ^= 1;
    const DWORD start = GetTickCount();
    for (;;) {
        const std::wstring difference = Compare(tool.ReadPage(dialog, layout), state);
        if (difference.empty()) return;
        if (GetTickCount() - start > ReactTimeoutMs()) {
            Fail(L"after a click on row " + std::to_wstring(row) + L": " + difference);
        }
        Sleep(15);
    }
}

void MoveSlider(ToolSession& tool, HWND dialog, const PageLayout& layout, PageState& state, int slider, UINT key,
                int position, const wchar_t* text) {
    tool.PressKey(dialog, slider == 0 ? kSlider1 : kSlider2, key);
    state.sliderPositions[static_cast<std::size_t>(slider)] = position;
    state.valueTexts[static_cast<std::size_t>(slider)] = text;
    const DWORD start = GetTickCount();
    for (;;) {
        const std::wstring difference = Compare(tool.ReadPage(dialog, layout), state);
        if (difference.empty()) return;
        if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"after a slider key: " + difference);
        Sleep(15);
    }
}

void ExpectNoWindowsAndExit(ToolSession& tool) {
    tool.WaitForExit(ReactTimeoutMs());
    if (tool.MessageBoxesSeen() != 0) Fail(L"a message box was shown");
}

void ExpectOneMessageBox(const ToolSession& tool) {
    if (tool.MessageBoxesSeen() != 1) Fail(std::to_wstring(tool.MessageBoxesSeen()) + L" message boxes");
}

void ExpectMainLoadFails(ToolSession& tool, const std::wstring& message) {
    tool.WaitForWindow(WindowKind::MessageBox, StartTimeoutMs());
    tool.ExpectMessage(message);
    tool.WaitForExit(ReactTimeoutMs());
    ExpectOneMessageBox(tool);
    if (tool.MainPageShows() != 0) Fail(L"the main page was shown, if only for an instant");
}

HWND StartOnMainPage(ToolSession& tool) {
    HWND main = tool.WaitForWindow(WindowKind::MainPage, StartTimeoutMs());
    if (tool.MainPageShows() != 1) Fail(L"the main page was shown " + std::to_wstring(tool.MainPageShows()) + L" times");
    return main;
}

bool Check(Tally& tally, const std::wstring& name, const std::function<void()>& body) {
    const DWORD start = GetTickCount();
    try {
        body();
        ++tally.passed;
        std::wprintf(L"PASS %ls (%.1f s)\n", name.c_str(), (GetTickCount() - start) / 1000.0);
        std::fflush(stdout);
        return true;
    } catch (const Failure& failure) {
        ++tally.failed;
        std::wprintf(L"FAIL %ls: %ls\n", name.c_str(), failure.what.c_str());
        std::fflush(stdout);
        return false;
    }
}

std::vector<HWND> HelpWindows(DWORD processId) {
    std::vector<HWND> windows;
    for (const TopWindow& top : TopLevelWindows(processId)) {
        if (top.className == kHelpWindowClass) windows.push_back(top.window);
    }
    return windows;
}


HWND PressHelpAndWaitForWindow(ToolSession& tool, HWND dialog) {
    tool.Click(dialog, kHelpButton);
    const DWORD processId = ProcessOf(dialog);
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> visible;
        for (HWND window : HelpWindows(processId)) {
            if (IsWindowVisible(window)) visible.push_back(window);
        }
        if (visible.size() > 1) Fail(std::to_wstring(visible.size()) + L" help windows");
        if (visible.size() == 1) {
            HWND help = visible.front();
            if (tool.Text(help) != kHelpTitle) Fail(L"the help window's title is \"" + tool.Text(help) + L"\"");
            if (GetWindow(help, GW_OWNER) != nullptr) Fail(L"the help window has an owner");
            return help;
        }
        if (!tool.Running()) Fail(L"the program ended after Help");
        if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"no help window");
        Sleep(15);
    }
}

void CloseHelpWindows(ToolSession& tool, DWORD processId) {
    for (HWND window : HelpWindows(processId)) tool.PostToDialog(window, WM_CLOSE, 0, 0);
    const DWORD start = GetTickCount();
    while (!HelpWindows(processId).empty()) {
        if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"the help window did not close");
        Sleep(15);
    }
    if (!tool.Running()) Fail(L"closing the help window ended the program");
}

namespace {

std::wstring FolderName(const std::wstring& name) {
    std::wstring folder;
    for (wchar_t c : name) folder += iswalnum(c) ? c : L'_';
    return folder;
}

}  // namespace

Context Prepare(const std::wstring& exe, const std::wstring& games, const std::wstring& name, const GameFiles& game) {
    Context ctx{exe, games + L"\\" + FolderName(name)};
    const std::wstring error = WriteGame(ctx.folder, game);
    if (!error.empty()) Fail(error);
    return ctx;
}

}  // namespace murn_wine
