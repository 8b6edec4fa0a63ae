// Group sharing: another process holds a game file open while the tool loads
// or applies a page. The driver itself is that process: it opens the file
// with CreateFileW and a share mode of its choosing, as a running game or an
// editor would, and lets it go after the tool's action. Wine enforces share
// modes as Windows does: with none, every open fails; with read sharing only,
// the tool's "rb" works and its "r+b" does not.

#include <windows.h>

#include <memory>
#include <string>

#include "scenario.h"

namespace murn_wine {
namespace {

inline constexpr const wchar_t* kExeMissing = L"Cannot locate file SH3.exe in this folder.";

// A game file held open by this process until Release or the end of scope.
class Holder {
public:
    Holder(const std::wstring& path, DWORD share) {
        handle_ = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        // Nobody else has the file open here; failing to get it means the tool
        // kept a handle while it waits for the player.
        if (handle_ == INVALID_HANDLE_VALUE) {
            Fail(L"cannot hold " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
        }
    }
    ~Holder() { Release(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    void Release() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

struct Hold {
    const wchar_t* name;
    DWORD share;
};
const Hold kNoSharing{L"without sharing", 0};
const Hold kReadSharing{L"with read sharing", FILE_SHARE_READ};
const Hold kHolds[] = {kNoSharing, kReadSharing};

std::wstring InFolder(const Context& ctx, const wchar_t* file) { return ctx.folder + L"\\" + file; }

// The tool's OK was refused: it ends after one message box, the not-updated
// message, and once the hold is let go, "SH3.exe" must still be byte for byte as the
// game was written.
void ExpectOkRefused(ToolSession& tool, Holder& holder, const Context& ctx, const GameFiles& game) {
    tool.ExpectMessage(kNotUpdated);
    tool.WaitForExit(ReactTimeoutMs());
    ExpectOneMessageBox(tool);
    holder.Release();
    ExpectFile(ctx, game.exe);
}

// The main page's load while a file is held without sharing: one message,
// the page never shown, the program ends.
void MainLoadRefused(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    struct Row {
        const wchar_t* file;
        const wchar_t* message;
    };
    const Row rows[] = {
        {L"SH3.exe", kExeMissing},
        {L"MURNcontents.txt", L"Cannot locate MURNcontents.txt file"},
    };
    for (const Row& row : rows) {
        Check(tally, std::wstring(L"main page load while ") + row.file + L" is held without sharing", [&] {
            const GameFiles game = StandardGame();
            const Context ctx = Prepare(exe, games, std::wstring(L"held load ") + row.file, game);
            Holder holder(InFolder(ctx, row.file), 0);
            ToolSession tool(ctx.exe, ctx.folder);
            ExpectMainLoadFails(tool, row.message);
            holder.Release();
            ExpectFile(ctx, game.exe);
        });
    }
}

// The main page loaded while SH3.exe is held with read sharing: the page
// shows the file as it is, and OK cannot write it.
void MainLoadShared(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    Check(tally, L"main page loads while SH3.exe is held with read sharing; OK writes nothing", [&] {
        const GameFiles game = StandardGame();
        const Context ctx = Prepare(exe, games, L"held shared main", game);
        Holder holder(InFolder(ctx, L"SH3.exe"), FILE_SHARE_READ);
        ToolSession tool(ctx.exe, ctx.folder);
        HWND main = StartOnMainPage(tool);
        PageState state = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
        ExpectShows(tool, main, kMainLayout, state);
        ClickRow(tool, main, kMainLayout, state, 0);
        MoveSlider(tool, main, kMainLayout, state, 0, VK_END, 6, L"4.5");
        tool.PostClick(main, kOk);
        ExpectOkRefused(tool, holder, ctx, game);
    });
}

// OK on the main page once SH3.exe is held, in either way, after an
// unhindered load.
void MainApplyRefused(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    for (const Hold& hold : kHolds) {
        Check(tally, std::wstring(L"main page OK while SH3.exe is held ") + hold.name + L": nothing written", [&] {
            const GameFiles game = StandardGame();
            const Context ctx = Prepare(exe, games, std::wstring(L"held apply main ") + hold.name, game);
            ToolSession tool(ctx.exe, ctx.folder);
            HWND main = StartOnMainPage(tool);
            PageState state = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
            ClickRow(tool, main, kMainLayout, state, 4);
            tool.Click(main, kLargeAddressBox);
            state.largeAddress = 0;
            MoveSlider(tool, main, kMainLayout, state, 1, VK_END, 6, L"5.0");
            // The page is shown: the tool must have let go of the file.
            Holder holder(InFolder(ctx, L"SH3.exe"), hold.share);
            tool.ResetRecord();
            tool.PostClick(main, kOk);
            ExpectOkRefused(tool, holder, ctx, game);
        });
    }
}

// The mods page over one main page: loads and applies while SH3.exe or the
// mods contents file is held, each time back on an unchanged main page; at
// the end, with nothing held, the main page's OK still writes.
void ModsPage(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    const GameFiles game = StandardGame();
    Context ctx;
    HWND main = nullptr;
    PageState mainState;
    std::unique_ptr<ToolSession> tool;
    const bool started = Check(tally, L"main page loads for the held mods page checks", [&] {
        ctx = Prepare(exe, games, L"held mods", game);
        tool = std::make_unique<ToolSession>(ctx.exe, ctx.folder);
        main = StartOnMainPage(*tool);
        mainState = Expected(game, kMainLayout, MainLabels(), kStandardMainShows);
        ClickRow(*tool, main, kMainLayout, mainState, 6);  // must survive every mods page
    });
    if (!started) return;

    auto backOnMain = [&] {
        tool->WaitForNoWindow(WindowKind::ModsPage, ReactTimeoutMs());
        if (!IsWindowVisible(main) || !IsWindowEnabled(main)) Fail(L"the main page is not usable again");
        ExpectShows(*tool, main, kMainLayout, mainState);
    };

    struct Refused {
        const wchar_t* file;
        const wchar_t* message;
    };
    const Refused refusals[] = {
        {L"SH3.exe", kExeMissing},
        {L"Zarvolincontents.txt", L"Cannot locate Zarvolincontents.txt file"},
    };
    for (const Refused& row : refusals) {
        Check(tally, std::wstring(L"mods page load while ") + row.file + L" is held without sharing", [&] {
            Holder holder(InFolder(ctx, row.file), 0);
            tool->ResetRecord();
            tool->PostClick(main, kModsButton);
            tool->ExpectMessage(row.message);
            backOnMain();
            ExpectOneMessageBox(*tool);
            if (tool->ModsPageShows() != 0) Fail(L"the mods page was shown, if only for an instant");
            holder.Release();
            ExpectFile(ctx, game.exe);
        });
    }

    Check(tally, L"mods page loads while SH3.exe is held with read sharing; OK writes nothing", [&] {
        Holder holder(InFolder(ctx, L"SH3.exe"), FILE_SHARE_READ);
        tool->ResetRecord();
        tool->PostClick(main, kModsButton);
        HWND mods = tool->WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
        PageState state = Expected(game, kModsLayout, ModsLabels(), kStandardModsShows);
        ExpectShows(*tool, mods, kModsLayout, state);
        ClickRow(*tool, mods, kModsLayout, state, 1);
        tool->PostClick(mods, kOk);
        tool->ExpectMessage(kNotUpdated);
        backOnMain();
        ExpectOneMessageBox(*tool);
        holder.Release();
        ExpectFile(ctx, game.exe);
    });

    for (const Hold& hold : kHolds) {
        Check(tally, std::wstring(L"mods page OK while SH3.exe is held ") + hold.name + L": nothing written", [&] {
            tool->PostClick(main, kModsButton);
            HWND mods = tool->WaitForWindow(WindowKind::ModsPage, ReactTimeoutMs());
            PageState state = Expected(game, kModsLayout, ModsLabels(), kStandardModsShows);
            ExpectShows(*tool, mods, kModsLayout, state);
            ClickRow(*tool, mods, kModsLayout, state, 12);
            MoveSlider(*tool, mods, kModsLayout, state, 0, VK_END, 3, L"256.0");
            Holder holder(InFolder(ctx, L"SH3.exe"), hold.share);
            tool->ResetRecord();
            tool->PostClick(mods, kOk);
            tool->ExpectMessage(kNotUpdated);
            backOnMain();
            ExpectOneMessageBox(*tool);
            holder.Release();
            ExpectFile(ctx, game.exe);
        });
    }

    Check(tally, L"nothing held any more: main page OK writes its areas", [&] {
        tool->ResetRecord();
        tool->PostClick(main, kOk);
        tool->ExpectMessage(kUpdated);
        tool->WaitForExit(ReactTimeoutMs());
        Bytes expected = game.exe;
        PutSwitches(expected, kMainSwitchPosition, mainState.checks);
        PutBytes(expected, kMainSliderPosition, FloatBytes(2.5f));
        PutBytes(expected, kMainSliderPosition + 4, FloatBytes(1.0f));
        ExpectFile(ctx, expected);
    });
}

}  // namespace

void RunSharing(const std::wstring& exe, const std::wstring& games, Tally& tally) {
    MainLoadRefused(exe, games, tally);
    MainLoadShared(exe, games, tally);
    MainApplyRefused(exe, games, tally);
    ModsPage(exe, games, tally);
}

}  // namespace murn_wine
