// Group demo-game: the tool against the demo game, a real program laid out
// like the patched game (demo_game/). GAMES names one folder that already
// holds "SH3.exe", the two contents files, and usually the tool and its help
// file unpacked from the release zip. Each run starts from whatever the
// folder holds, so that runs one after another go back and forth:
//   - the demo game shows what its file holds;
//   - the tool shows the same, opens its help from the folder, and takes a
//     player's changes on both pages (check boxes, the large-address box, a
//     slider each), which OK writes, and nothing else;
//   - the demo game starts again and shows exactly the new values, and its
//     own header's large-address flag as the box left it.
// The last line says how the box was left, for the objdump check outside.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "demo_ids.h"
#include "scenario.h"

namespace murn_wine {
namespace {

// ---------------------------------------------------------------------------
// The folder as the files describe it.

struct ContentsLines {
    std::vector<std::string> labels;
    std::vector<std::string> entries;  // each entry line without its leading ':'
};

// Enough of the format for the demo's own files: comment lines, entry lines,
// labels up to the end marker.
ContentsLines ReadContents(const std::wstring& path) {
    Bytes bytes;
    if (!ReadWholeFile(path, bytes)) Fail(L"cannot read " + path);
    ContentsLines contents;
    std::string line;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\n') {
            if (bytes[i] != '\r') line += static_cast<char>(bytes[i]);
            continue;
        }
        if (line == "-2") break;
        if (!line.empty() && line[0] == ':') {
            contents.entries.push_back(line.substr(1));
        } else if (!line.empty() && line[0] != '/') {
            contents.labels.push_back(line);
        }
        line.clear();
    }
    return contents;
}

std::size_t Position(const ContentsLines& contents, std::size_t entry) {
    if (contents.entries.size() <= entry) Fail(L"a contents file lacks entry " + std::to_wstring(entry));
    const long value = std::strtol(contents.entries[entry].c_str(), nullptr, 10);
    if (value < 1000000) Fail(L"entry " + std::to_wstring(entry) + L" is no patch position");
    return static_cast<std::size_t>(value);
}

struct DemoFolder {
    std::vector<std::string> mainLabels, modsLabels;
    std::size_t mainSwitches = 0, mainSliders = 0, version = 0, modsSwitches = 0, modsSliders = 0;
};

DemoFolder ReadFolder(const std::wstring& folder) {
    const ContentsLines main = ReadContents(folder + L"\\MURNcontents.txt");
    const ContentsLines mods = ReadContents(folder + L"\\Zarvolincontents.txt");
    DemoFolder demo;
    demo.mainLabels = main.labels;
    demo.modsLabels = mods.labels;
    if (demo.mainLabels.size() != static_cast<std::size_t>(kMainRows) ||
        demo.modsLabels.size() != static_cast<std::size_t>(kModsRows)) {
        Fail(L"the contents files do not have 22 and 13 labels");
    }
    demo.mainSwitches = Position(main, 0);
    demo.mainSliders = Position(main, 2);
    demo.version = Position(main, 1);
    demo.modsSwitches = Position(mods, 0);
    demo.modsSliders = Position(mods, 2);
    return demo;
}

Bytes ReadExe(const std::wstring& folder) {
    Bytes exe;
    if (!ReadWholeFile(folder + L"\\SH3.exe", exe)) Fail(L"cannot read SH3.exe");
    if (exe.size() <= 1000000 || exe.size() == kUnpatchedSize) Fail(L"SH3.exe has the wrong size");
    return exe;
}

float FloatAt(const Bytes& exe, std::size_t offset) {
    float value = 0;
    std::memcpy(&value, exe.data() + offset, sizeof value);
    return value;
}

// The version text as the game and the tool read it: at most 9 bytes, up to
// the first zero.
std::string VersionIn(const Bytes& exe, std::size_t offset) {
    const auto* text = reinterpret_cast<const char*>(exe.data() + offset);
    return std::string(text, strnlen(text, 9));
}

std::wstring OneDecimal(float value) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f", static_cast<double>(value));
    return text;
}

// ---------------------------------------------------------------------------
// The demo game, run and read from outside.

// What the demo game shows, computed here from the bytes of its file.
std::vector<std::pair<int, std::wstring>> GameShould(const DemoFolder& demo, const Bytes& exe) {
    std::vector<std::pair<int, std::wstring>> shows;
    auto switchText = [](std::uint8_t byte) -> std::wstring {
        if (byte == 0xFF) return L"on";
        if (byte == 0x00) return L"off";
        wchar_t text[40];
        std::swprintf(text, 40, L"0x%02X (not a switch value)", byte);
        return text;
    };
    for (int i = 0; i < kMainRows; ++i) {
        shows.emplace_back(demo_game::kMainSwitchIds + i, switchText(exe[demo.mainSwitches + static_cast<std::size_t>(i)]));
    }
    for (int i = 0; i < kModsRows; ++i) {
        shows.emplace_back(demo_game::kModsSwitchIds + i, switchText(exe[demo.modsSwitches + static_cast<std::size_t>(i)]));
    }
    const std::size_t values[4] = {demo.mainSliders, demo.mainSliders + 4, demo.modsSliders, demo.modsSliders + 4};
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* b = exe.data() + values[i];
        wchar_t bytes[24];
        std::swprintf(bytes, 24, L" (%02X %02X %02X %02X)", b[0], b[1], b[2], b[3]);
        shows.emplace_back(demo_game::kValueIds + i, OneDecimal(FloatAt(exe, values[i])) + bytes);
    }
    const std::string version = VersionIn(exe, demo.version);
    shows.emplace_back(demo_game::kVersionId, version.empty() ? L"(none)" : Widen(version));
    shows.emplace_back(demo_game::kLargeAddressId, exe[kLargeAddressOffset] == 0x2F ? L"yes" : L"no");
    return shows;
}

class GameRun {
public:
    explicit GameRun(const std::wstring& folder) {
        const std::wstring path = folder + L"\\SH3.exe";
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &process_)) {
            Fail(L"the demo game does not start: error " + std::to_wstring(GetLastError()));
        }
    }
    ~GameRun() {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    HWND WaitForWindow() {
        const DWORD start = GetTickCount();
        for (;;) {
            for (const TopWindow& top : TopLevelWindows(process_.dwProcessId)) {
                if (top.visible && top.className == demo_game::kWindowClassName) return top.window;
            }
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0) Fail(L"the demo game ended at once");
            if (GetTickCount() - start > StartTimeoutMs()) Fail(L"the demo game showed no window");
            Sleep(15);
        }
    }

    void Close(HWND window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.hProcess, ReactTimeoutMs()) != WAIT_OBJECT_0) {
            Fail(L"the demo game did not close");
        }
        DWORD code = 1;
        GetExitCodeProcess(process_.hProcess, &code);
        if (code != 0) Fail(L"the demo game ended with exit code " + std::to_wstring(code));
    }

private:
    PROCESS_INFORMATION process_{};
};

std::wstring ControlText(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    if (!control) Fail(L"the demo game has no control " + std::to_wstring(id));
    wchar_t text[128] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                             ReactTimeoutMs(), &length)) {
        Fail(L"the demo game does not answer");
    }
    return text;
}

void ExpectGameShows(const std::wstring& folder, const DemoFolder& demo, const Bytes& exe) {
    GameRun game(folder);
    HWND window = game.WaitForWindow();
    for (const auto& [id, text] : GameShould(demo, exe)) {
        const std::wstring shown = ControlText(window, id);
        if (shown != text) {
            Fail(L"the demo game shows \"" + shown + L"\" in control " + std::to_wstring(id) + L", expected \"" +
                 text + L"\"");
        }
    }
    game.Close(window);
}

// ---------------------------------------------------------------------------
// The tool on the demo folder.

PageState ToolShould(const std::vector<std::string>& labels, std::size_t switches, const Bytes& exe,
                     const PageLayout& layout, const std::array<float, 2>& values) {
    PageState state;
    for (std::size_t i = 0; i < layout.rows.size(); ++i) {
        state.labels.push_back(Widen(labels[i]));
        state.checks.push_back(exe[switches + i] == 0xFF ? 1 : 0);
    }
    state.sliderMax = layout.sliderMax;
    for (std::size_t s = 0; s < 2; ++s) state.valueTexts[s] = OneDecimal(values[s]);
    return state;
}

// Takes the slider positions from the page: which position shows a value is
// the scale's business; that the value is the file's is checked here.
PageState ExpectToolShows(ToolSession& tool, HWND dialog, const PageLayout& layout, PageState expected) {
    const PageState shown = tool.ReadPage(dialog, layout);
    expected.sliderPositions = shown.sliderPositions;
    ExpectShows(tool, dialog, layout, expected);
    return expected;
}

// Moves a slider to whichever end it is not at and returns the value that the
// page then shows, which OK must write.
float MoveToOtherEnd(ToolSession& tool, HWND dialog, const PageLayout& layout, PageState& state, int slider) {
    const auto s = static_cast<std::size_t>(slider);
    const bool toEnd = state.sliderPositions[s] < state.sliderMax[s];
    tool.PressKey(dialog, slider == 0 ? kSlider1 : kSlider2, toEnd ? VK_END : VK_HOME);
    const int target = toEnd ? state.sliderMax[s] : 0;
    const DWORD start = GetTickCount();
    PageState shown = tool.ReadPage(dialog, layout);
    while (shown.sliderPositions[s] != target) {
        if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"the slider did not move to " + std::to_wstring(target));
        Sleep(15);
        shown = tool.ReadPage(dialog, layout);
    }
    const std::wstring text = shown.valueTexts[s];
    wchar_t* end = nullptr;
    const float value = std::wcstof(text.c_str(), &end);
    if (text.empty() || *end != L'\0' || OneDecimal(value) != text) Fail(L"the slider's value reads \"" + text + L"\"");
    state.sliderPositions[s] = target;
    state.valueTexts[s] = text;
    ExpectShows(tool, dialog, layout, state);
    return value;
}

void PutValue(Bytes& exe, std::size_t offset, float value) { PutBytes(exe, offset, FloatBytes(value)); }

// The Help button opens the help file that lies in the folder.
void ExpectHelpOpens(ToolSession& tool, HWND main) {
    PressHelpAndWaitForWindow(tool, main);
    CloseHelpWindows(tool, ProcessOf(main));
}

}  // namespace

void RunDemoGame(const std::wstring& exe, const std::wstring& folder, Tally& tally) {
    DemoFolder demo;
    Bytes before;
    const bool ready = Check(tally, L"the demo game shows the options its file holds", [&] {
        demo = ReadFolder(folder);
        before = ReadExe(folder);
        ExpectGameShows(folder, demo, before);
    });
    if (!ready) return;

    Bytes after = before;
    bool largeAddressAware = false;
    const bool applied = Check(tally, L"the tool shows the demo game's options; a player's changes are written by OK", [&] {
        ToolSession tool(exe, folder);
        HWND main = StartOnMainPage(tool);
        PageState mainState = ToolShould(demo.mainLabels, demo.mainSwitches, before, kMainLayout,
                                         {FloatAt(before, demo.mainSliders), FloatAt(before, demo.mainSliders + 4)});
        mainState.version = Widen(VersionIn(before, demo.version));
        mainState.largeAddress = before[kLargeAddressOffset] == 0x2F ? 1 : 0;
        mainState = ExpectToolShows(tool, main, kMainLayout, mainState);
        ExpectHelpOpens(tool, main);

        tool.PostClick(main, kModsButton);
        HWND mods = tool.WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
        PageState modsState =
            ToolShould(demo.modsLabels, demo.modsSwitches, before, kModsLayout,
                       {FloatAt(before, demo.modsSliders), FloatAt(before, demo.modsSliders + 4)});
        modsState = ExpectToolShows(tool, mods, kModsLayout, modsState);
        ClickRow(tool, mods, kModsLayout, modsState, 1);
        ClickRow(tool, mods, kModsLayout, modsState, 12);
        const float minimumTc = MoveToOtherEnd(tool, mods, kModsLayout, modsState, 0);
        tool.PostClick(mods, kOk);
        tool.ExpectMessage(kUpdated);
        tool.WaitForNoWindow(WindowKind::ModsPage, ReactTimeoutMs());
        PutSwitches(after, demo.modsSwitches, modsState.checks);
        PutValue(after, demo.modsSliders, minimumTc);
        ExpectFile({exe, folder}, after);

        ClickRow(tool, main, kMainLayout, mainState, 0);
        ClickRow(tool, main, kMainLayout, mainState, 7);
        ClickRow(tool, main, kMainLayout, mainState, 21);
        tool.Click(main, kLargeAddressBox);
        mainState.largeAddress ^= 1;
        const float compressedOxygen = MoveToOtherEnd(tool, main, kMainLayout, mainState, 1);
        ExpectShows(tool, main, kMainLayout, mainState);
        tool.PostClick(main, kOk);
        tool.ExpectMessage(kUpdated);
        tool.WaitForExit(ReactTimeoutMs());
        PutSwitches(after, demo.mainSwitches, mainState.checks);
        largeAddressAware = mainState.largeAddress == 1;
        after[kLargeAddressOffset] = largeAddressAware ? 0x2F : 0x0F;
        PutValue(after, demo.mainSliders + 4, compressedOxygen);
        ExpectFile({exe, folder}, after);
    });
    if (!applied) return;

    const bool shown = Check(tally, L"the demo game starts again and shows exactly the new options", [&] {
        ExpectGameShows(folder, demo, after);
    });
    if (shown) std::wprintf(L"large-address-aware after OK: %ls\n", largeAddressAware ? L"yes" : L"no");
}

}  // namespace murn_wine
