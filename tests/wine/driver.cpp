// Plays MURNoptions.exe end to end: for each scenario it makes a game folder,
// starts the tool there, reads what its windows show, acts as a player, and
// compares "SH3.exe" afterwards with exactly the bytes that may change.
//
//   murn_wine_driver PATH\MURNoptions.exe GAMES_FOLDER GROUP
//       runs the scenarios of GROUP (see kGroups below)
//   murn_wine_driver PATH\MURNoptions.exe GAME_FOLDER show RELEASE_FILE
//       starts the tool in GAME_FOLDER, prints "main dialog shown" once it is,
//       and cancels it once RELEASE_FILE exists (the demo's screenshot hook)

#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scenario.h"

namespace murn_wine {
namespace {

// ---------------------------------------------------------------------------
// Load failures: each leaves one message box and never shows the page.

struct LoadFailure {
    const wchar_t* name;
    std::function<void(GameFiles&)> breakGame;
    std::wstring message;
};

std::vector<std::string> Without(std::vector<std::string> labels, std::size_t count) {
    labels.resize(labels.size() - count);
    return labels;
}

std::vector<LoadFailure> MainLoadFailures() {
    const std::string s = std::to_string(kMainSwitchPosition), v = std::to_string(kVersionPosition) + ":v1.6B",
                      l = std::to_string(kMainSliderPosition);
    return {
        {L"no MURNcontents.txt", [](GameFiles& g) { g.hasMainContents = false; },
         L"Cannot locate MURNcontents.txt file"},
        {L"21 labels", [=](GameFiles& g) { g.mainContents = MakeContents(Without(MainLabels(), 1), s, v, l); },
         L"Incorrect no. of entries in file MURNcontents.txt."},
        {L"switch position 999999", [=](GameFiles& g) { g.mainContents = MakeContents(MainLabels(), "999999", v, l); },
         L"Non numeric or defective file position as first entry in file MURNcontents.txt."},
        {L"slider position not a number",
         [=](GameFiles& g) { g.mainContents = MakeContents(MainLabels(), s, v, "x" + l); },
         L"Non numeric or defective slider position as third entry in file MURNcontents.txt."},
        {L"no SH3.exe", [](GameFiles& g) { g.hasExe = false; }, L"Cannot locate file SH3.exe in this folder."},
        {L"unpatched 1331200-byte SH3.exe", [](GameFiles& g) { g.exe.resize(kUnpatchedSize, 0); },
         L"This is the *unpatched* SH3.exe!\n It must be patched first!"},
        {L"SH3.exe one byte short of the switch block",
         [](GameFiles& g) { g.exe.resize(static_cast<std::size_t>(kMainSwitchPosition) - 1); },
         L"SH3.exe lacks the patch switches - file not patched or corrupt."},
        {L"version v1.6C against v1.6B", [](GameFiles& g) { g.exe[kVersionPosition + 4] = 'C'; },
         L"Version number in SH3.exe does not match version in file MURNcontents.txt."},
        {L"no switch byte 0xFF",
         [](GameFiles& g) {
             for (int i = 0; i < kMainRows; ++i) g.exe[static_cast<std::size_t>(kMainSwitchPosition + i)] = i % 3 ? 0x00 : 0x01;
         },
         std::wstring(L"Cannot find your switches in file SH3.exe.") + kSuffix},
    };
}

std::vector<LoadFailure> ModsLoadFailures() {
    const std::string s = std::to_string(kModsSwitchPosition), l = std::to_string(kModsSliderPosition);
    return {
        {L"no Zarvolincontents.txt", [](GameFiles& g) { g.hasModsContents = false; },
         L"Cannot locate Zarvolincontents.txt file"},
        {L"12 labels", [=](GameFiles& g) { g.modsContents = MakeContents(Without(ModsLabels(), 1), s, "", l); },
         L"Incorrect no. of entries in file Zarvolincontents.txt."},
        {L"switch position 999999", [=](GameFiles& g) { g.modsContents = MakeContents(ModsLabels(), "999999", "", l); },
         L"Non numeric or defective file position as first entry in file Zarvolincontents.txt."},
        {L"slider position not a number", [=](GameFiles& g) { g.modsContents = MakeContents(ModsLabels(), s, "", "x"); },
         L"Non numeric or defective slider position as third entry in file Zarvolincontents.txt."},
        {L"no SH3.exe", [](GameFiles& g) { g.hasExe = false; }, L"Cannot locate file SH3.exe in this folder."},
        {L"no switch byte 0xFF",
         [](GameFiles& g) {
             for (int i = 0; i < kModsRows; ++i) g.exe[static_cast<std::size_t>(kModsSwitchPosition + i)] = 0x00;
         },
         std::wstring(L"Cannot find your Zarvolin switches in file SH3.exe.") + kSuffix},
    };
}

// ---------------------------------------------------------------------------
// Group main-load-failures: one run of the tool each.

void RunMainLoadFailures(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    for (const LoadFailure& row : MainLoadFailures()) {
        Check(tally, std::wstring(L"main page load fails: ") + row.name, [&] {
            GameFiles game = StandardGame();
            row.breakGame(game);
            const Context ctx = Prepare(exe, games, row.name, game);
            ToolSession tool(ctx.exe, ctx.folder);
            ExpectMainLoadFails(tool, row.message);
            if (game.hasExe) ExpectFile(ctx, game.exe);
        });
    }
}

// ---------------------------------------------------------------------------
// Group main-page: loads that succeed, then a player's clicks and an ending.

void RunMainPage(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    Check(tally, L"main page shows the file; clicks, Space and slider ends are written by OK", [&] {
        const GameFiles game = StandardGame();
        const Context ctx = Prepare(exe, games, L"main ok", game);
        ToolSession tool(ctx.exe, ctx.folder);
        HWND main = StartOnMainPage(tool);
        PageState state = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
        ExpectShows(tool, main, kMainLayout, state);

        ClickRow(tool, main, kMainLayout, state, 0);
        ClickRow(tool, main, kMainLayout, state, 3);  // 0x01 shows off; now on
        ClickRow(tool, main, kMainLayout, state, 16);
        ClickRow(tool, main, kMainLayout, state, 16);  // and back
        ClickRow(tool, main, kMainLayout, state, 21);
        ClickRow(tool, main, kMainLayout, state, 5, true);
        tool.Click(main, kLargeAddressBox);
        state.largeAddress = 0;
        MoveSlider(tool, main, kMainLayout, state, 0, VK_END, 6, L"4.5");
        MoveSlider(tool, main, kMainLayout, state, 1, VK_END, 6, L"5.0");
        ExpectShows(tool, main, kMainLayout, state);

        tool.PostClick(main, kOk);
        tool.ExpectMessage(kUpdated);
        tool.WaitForExit(ReactTimeoutMs());
        Bytes expected = game.exe;
        PutSwitches(expected, kMainSwitchPosition, state.checks);
        expected[kLargeAddressOffset] = 0x0F;
        PutBytes(expected, kMainSliderPosition, {0x00, 0x00, 0x90, 0x40});      // 4.5
        PutBytes(expected, kMainSliderPosition + 4, {0x00, 0x00, 0xA0, 0x40});  // 5.0
        ExpectFile(ctx, expected);
    });

    Check(tally, L"Enter applies; version compared without case; off-scale slider values", [&] {
        GameFiles game = StandardGame();
        PutBytes(game.exe, kVersionPosition, Bytes{'V', '1', '.', '6', 'b'});
        game.exe[kLargeAddressOffset] = 0x2E;
        PutFloat(game.exe, kMainSliderPosition, 4.5f);
        PutFloat(game.exe, kMainSliderPosition + 4, 4.0f);  // on no scale: the default position
        const Context ctx = Prepare(exe, games, L"main enter", game);
        ToolSession tool(ctx.exe, ctx.folder);
        HWND main = StartOnMainPage(tool);
        PageState state = Expected(game, kMainLayout, MainLabels(), {{6, 1}, {L"4.5", L"1.0"}, L"V1.6b"});
        ExpectShows(tool, main, kMainLayout, state);

        MoveSlider(tool, main, kMainLayout, state, 0, VK_HOME, 0, L"1.0");
        MoveSlider(tool, main, kMainLayout, state, 1, VK_RIGHT, 2, L"1.5");
        tool.PressKey(main, kMainLayout.rows[2].check, VK_RETURN);
        tool.ExpectMessage(kUpdated);
        tool.WaitForExit(ReactTimeoutMs());
        Bytes expected = game.exe;
        PutSwitches(expected, kMainSwitchPosition, state.checks);
        expected[kLargeAddressOffset] = 0x0F;
        PutBytes(expected, kMainSliderPosition, {0x00, 0x00, 0x80, 0x3F});      // 1.0
        PutBytes(expected, kMainSliderPosition + 4, {0x00, 0x00, 0xC0, 0x3F});  // 1.5
        ExpectFile(ctx, expected);
    });

    // Ways to leave the main page without writing; each starts from clicks and
    // a moved slider, so that there is something that must not be written.
    struct Leave {
        const wchar_t* name;
        std::function<void(ToolSession&, HWND)> leave;
    };
    const Leave leaves[] = {
        {L"Esc", [](ToolSession& tool, HWND main) { tool.PressKey(main, kMainLayout.rows[1].check, VK_ESCAPE); }},
        {L"the close box",
         [](ToolSession& tool, HWND main) { tool.PostToDialog(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Leave& way : leaves) {
        Check(tally, std::wstring(L"main page left by ") + way.name + L" writes nothing", [&] {
            GameFiles game = StandardGame();
            // Entry 1 at 1000000 asks for no version; an empty expected one matches.
            game.mainContents = MakeContents(MainLabels(), std::to_string(kMainSwitchPosition), "1000000",
                                             std::to_string(kMainSliderPosition));
            const Context ctx = Prepare(exe, games, std::wstring(L"main leave ") + way.name, game);
            ToolSession tool(ctx.exe, ctx.folder);
            HWND main = StartOnMainPage(tool);
            PageState state = Expected(game, kMainLayout, MainLabels(), {{2, 1}, {L"2.5", L"1.0"}, L"Unknown"});
            ExpectShows(tool, main, kMainLayout, state);
            ClickRow(tool, main, kMainLayout, state, 1);
            ClickRow(tool, main, kMainLayout, state, 11);
            MoveSlider(tool, main, kMainLayout, state, 0, VK_END, 6, L"4.5");
            way.leave(tool, main);
            ExpectNoWindowsAndExit(tool);
            ExpectFile(ctx, game.exe);
        });
    }

    Check(tally, L"29-character label in row 19: written, then the length message, page stays", [&] {
        GameFiles game = StandardGame();
        std::vector<std::string> labels = MainLabels();
        labels[19] = kLongLabel;
        game.mainContents = MakeContents(labels, std::to_string(kMainSwitchPosition),
                                         std::to_string(kVersionPosition) + ":v1.6B", std::to_string(kMainSliderPosition));
        const Context ctx = Prepare(exe, games, L"main long label", game);
        ToolSession tool(ctx.exe, ctx.folder);
        HWND main = StartOnMainPage(tool);
        PageState state = Expected(game, kMainLayout, labels, kStandardMainShows);
        ExpectShows(tool, main, kMainLayout, state);
        ClickRow(tool, main, kMainLayout, state, 7);

        Bytes expected = game.exe;
        PutSwitches(expected, kMainSwitchPosition, state.checks);  // also 0x01 becomes 0x00
        for (int round = 0; round < 2; ++round) {
            tool.PostClick(main, kOk);
            tool.ExpectMessage(kUpdated);
            tool.ExpectMessage(kTooLong);
            ExpectFile(ctx, expected);
            if (!IsWindowVisible(main)) Fail(L"the main page closed");
            HWND edit = tool.Item(main, kMainLayout.rows[19].label);
            const DWORD start = GetTickCount();
            while (tool.FocusedWindow() != edit) {
                if (GetTickCount() - start > ReactTimeoutMs()) Fail(L"row 19's label did not take the focus");
                Sleep(15);
            }
            const auto selection = static_cast<DWORD>(tool.Send(edit, EM_GETSEL));
            if (LOWORD(selection) != 0 || HIWORD(selection) != 29) Fail(L"row 19's label is not selected whole");
            ExpectShows(tool, main, kMainLayout, state);
        }
        tool.ResetRecord();
        tool.PostClick(main, kCancel);
        ExpectNoWindowsAndExit(tool);
        ExpectFile(ctx, expected);
    });

    Check(tally, L"OK while another program holds SH3.exe: nothing written, the page closes", [&] {
        const GameFiles game = StandardGame();
        const Context ctx = Prepare(exe, games, L"main held", game);
        ToolSession tool(ctx.exe, ctx.folder);
        HWND main = StartOnMainPage(tool);
        PageState state = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
        ClickRow(tool, main, kMainLayout, state, 4);
        HANDLE holder = CreateFileW((ctx.folder + L"\\SH3.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (holder == INVALID_HANDLE_VALUE) Fail(L"cannot hold SH3.exe open");
        try {
            tool.PostClick(main, kOk);
            tool.ExpectMessage(kNotUpdated);
            tool.WaitForExit(ReactTimeoutMs());
        } catch (...) {
            CloseHandle(holder);
            throw;
        }
        CloseHandle(holder);
        ExpectFile(ctx, game.exe);
    });

    Check(tally, L"mods page OK, then main page OK: each writes only its own areas", [&] {
        const GameFiles game = StandardGame();
        const Context ctx = Prepare(exe, games, L"mods then main", game);
        ToolSession tool(ctx.exe, ctx.folder);
        HWND main = StartOnMainPage(tool);
        PageState mainState = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
        ClickRow(tool, main, kMainLayout, mainState, 1);

        tool.PostClick(main, kModsButton);
        HWND mods = tool.WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
        PageState modsState = Expected(game, kModsLayout, ModsLabels(), kStandardModsShows);
        ExpectShows(tool, mods, kModsLayout, modsState);
        ClickRow(tool, mods, kModsLayout, modsState, 12);
        ClickRow(tool, mods, kModsLayout, modsState, 2);
        MoveSlider(tool, mods, kModsLayout, modsState, 0, VK_END, 3, L"256.0");
        tool.PostClick(mods, kOk);
        tool.ExpectMessage(kUpdated);
        tool.WaitForNoWindow(WindowKind::ModsPage, ReactTimeoutMs());
        Bytes expected = game.exe;
        PutSwitches(expected, kModsSwitchPosition, modsState.checks);
        PutBytes(expected, kModsSliderPosition, {0x00, 0x00, 0x80, 0x43});  // 256.0
        ExpectFile(ctx, expected);
        ExpectShows(tool, main, kMainLayout, mainState);

        // Opened again, the mods page shows what its OK wrote.
        tool.PostClick(main, kModsButton);
        mods = tool.WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
        ExpectShows(tool, mods, kModsLayout, modsState);
        tool.PressKey(mods, kModsLayout.rows[0].check, VK_ESCAPE);
        tool.WaitForNoWindow(WindowKind::ModsPage, ReactTimeoutMs());

        tool.PostClick(main, kOk);
        tool.ExpectMessage(kUpdated);
        tool.WaitForExit(ReactTimeoutMs());
        PutSwitches(expected, kMainSwitchPosition, mainState.checks);
        expected[kLargeAddressOffset] = 0x2F;
        PutBytes(expected, kMainSliderPosition, FloatBytes(2.5f));
        PutBytes(expected, kMainSliderPosition + 4, FloatBytes(1.0f));
        ExpectFile(ctx, expected);
    });
}

// ---------------------------------------------------------------------------
// Group mods-page: one run of the tool, the mods page opened again and again.

// Puts the intact folder back when a check that changed it ends, however it
// ends, so that the next check starts from it.
struct RestoreGame {
    const std::wstring& folder;
    const GameFiles& files;
    ~RestoreGame() { WriteGame(folder, files); }
};

void RunModsPage(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    const GameFiles game = StandardGame();
    Context ctx;
    HWND main = nullptr;
    PageState mainState;
    std::unique_ptr<ToolSession> tool;
    const bool started = Check(tally, L"main page loads for the mods page checks", [&] {
        ctx = Prepare(exe, games, L"mods page", game);
        tool = std::make_unique<ToolSession>(ctx.exe, ctx.folder);
        main = StartOnMainPage(*tool);
        mainState = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
        ClickRow(*tool, main, kMainLayout, mainState, 9);  // must survive every mods page
    });
    if (!started) return;

    // Opens the mods page and checks that the main page stays as it was.
    auto openMods = [&] {
        tool->ResetRecord();
        tool->PostClick(main, kModsButton);
        return tool->WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
    };
    auto backOnMain = [&] {
        tool->WaitForNoWindow(WindowKind::ModsPage, ReactTimeoutMs());
        if (!IsWindowVisible(main) || !IsWindowEnabled(main)) Fail(L"the main page is not usable again");
        ExpectShows(*tool, main, kMainLayout, mainState);
    };

    struct Leave {
        const wchar_t* name;
        std::function<void(HWND)> leave;
    };
    const Leave leaves[] = {
        {L"Cancel", [&](HWND mods) { tool->PostClick(mods, kCancel); }},
        {L"Esc", [&](HWND mods) { tool->PressKey(mods, kModsLayout.rows[4].check, VK_ESCAPE); }},
        {L"WM_CLOSE", [&](HWND mods) { tool->PostToDialog(mods, WM_CLOSE, 0, 0); }},
    };
    for (const Leave& way : leaves) {
        Check(tally, std::wstring(L"mods page shows the file; left by ") + way.name + L" it writes nothing", [&] {
            HWND mods = openMods();
            PageState state = Expected(game, kModsLayout, ModsLabels(), kStandardModsShows);
            ExpectShows(*tool, mods, kModsLayout, state);
            ClickRow(*tool, mods, kModsLayout, state, 3);
            ClickRow(*tool, mods, kModsLayout, state, 12);
            MoveSlider(*tool, mods, kModsLayout, state, 0, VK_END, 3, L"256.0");
            MoveSlider(*tool, mods, kModsLayout, state, 1, VK_END, 6, L"5.0");
            way.leave(mods);
            backOnMain();
            if (tool->MessageBoxesSeen() != 0) Fail(L"a message box was shown");
            ExpectFile(ctx, game.exe);
        });
    }

    Check(tally, L"mods page loads from a 1331200-byte SH3.exe", [&] {
        GameFiles big = game;
        big.exe.resize(kUnpatchedSize, 0);
        const RestoreGame restore{ctx.folder, game};
        const std::wstring error = WriteGame(ctx.folder, big);
        if (!error.empty()) Fail(error);
        HWND mods = openMods();
        ExpectShows(*tool, mods, kModsLayout, Expected(big, kModsLayout, ModsLabels(), kStandardModsShows));
        tool->PostClick(mods, kCancel);
        backOnMain();
        ExpectFile(ctx, big.exe);
    });

    for (const LoadFailure& row : ModsLoadFailures()) {
        Check(tally, std::wstring(L"mods page load fails: ") + row.name, [&] {
            GameFiles broken = game;
            row.breakGame(broken);
            const RestoreGame restore{ctx.folder, game};
            const std::wstring error = WriteGame(ctx.folder, broken);
            if (!error.empty()) Fail(error);
            tool->ResetRecord();
            tool->PostClick(main, kModsButton);
            tool->ExpectMessage(row.message);
            backOnMain();
            ExpectOneMessageBox(*tool);
            if (tool->ModsPageShows() != 0) Fail(L"the mods page was shown, if only for an instant");
            if (broken.hasExe) ExpectFile(ctx, broken.exe);
        });
    }

    Check(tally, L"main page Cancel after the mods pages ends the program, nothing written", [&] {
        tool->ResetRecord();
        tool->PostClick(main, kCancel);
        ExpectNoWindowsAndExit(*tool);
        ExpectFile(ctx, game.exe);
    });
}

// ---------------------------------------------------------------------------

int Show(const std::wstring& exe, const std::wstring& folder, const std::wstring& releaseFile) {
    try {
        ToolSession tool(exe, folder);
        HWND main = StartOnMainPage(tool);
        Sleep(1000);  // let it paint before the picture is taken
        std::wprintf(L"main dialog shown\n");
        std::fflush(stdout);
        const DWORD start = GetTickCount();
        while (GetFileAttributesW(releaseFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start > StartTimeoutMs()) Fail(L"nobody took the picture");
            Sleep(50);
        }
        tool.PostClick(main, kCancel);
        tool.WaitForExit(ReactTimeoutMs());
        return 0;
    } catch (const Failure& failure) {
        std::wprintf(L"FAIL %ls\n", failure.what.c_str());
        return 1;
    }
}

}  // namespace
}  // namespace murn_wine

int wmain(int argc, wchar_t** argv) {
    using namespace murn_wine;
    struct Group {
        const wchar_t* name;
        void (*run)(const std::wstring& exe, const std::wstring& games, Tally& tally);
    };
    // Each group is one CTest test (tests/wine/CMakeLists.txt).
    const Group groups[] = {
        {L"main-load-failures", RunMainLoadFailures},
        {L"main-page", RunMainPage},
        {L"mods-page", RunModsPage},
        {L"about-help", RunAboutHelp},
        {L"sharing", RunSharing},
        {L"demo-game", RunDemoGame},
    };
    if (argc == 5 && std::wstring(argv[3]) == L"show") return Show(argv[1], argv[2], argv[4]);
    if (argc == 4) {
        for (const Group& group : groups) {
            if (argv[3] != std::wstring(group.name)) continue;
            Tally tally;
            group.run(argv[1], argv[2], tally);
            std::wprintf(L"%d passed, %d failed\n", tally.passed, tally.failed);
            return tally.failed == 0 && tally.passed > 0 ? 0 : 1;
        }
    }
    std::fwprintf(stderr, L"usage: murn_wine_driver EXE GAMES_FOLDER GROUP\n"
                          L"       murn_wine_driver EXE GAME_FOLDER show RELEASE_FILE\ngroups:");
    for (const Group& group : groups) std::fwprintf(stderr, L" %ls", group.name);
    std::fwprintf(stderr, L"\n");
    return 2;
}
