#pragma once
// What every end-to-end scenario shares: the tool's texts and control IDs,
// game folders per scenario, expectations on what a page shows and on
// "SH3.exe" afterwards, and the bookkeeping of named checks. Each group of
// scenarios is a function of this signature, listed in the driver's table:
//
//   void RunSomething(const std::wstring& exe, const std::wstring& games, Tally& tally);

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "game_folder.h"
#include "tool_session.h"

namespace murn_wine {

inline constexpr const wchar_t* kUpdated = L"Your SH3.exe file is now updated.";
inline constexpr const wchar_t* kNotUpdated =
    L"Cannot find your file 'SH3.exe'. Is it open somewhere? Sh3.exe file not updated.";
inline constexpr const wchar_t* kTooLong = L"Please enter no more than 28 characters.";
inline constexpr const wchar_t* kSuffix = L"\nAll switches must have values 0 or FF, with at least one FF.";

inline constexpr int kOk = 1, kCancel = 2, kModsButton = 3, kLargeAddressBox = 1034;
inline constexpr int kSlider1 = 1035, kSlider2 = 1046, kHelpButton = 1032;

// The HTML help window, titled by the Title line of help/MURNoptions.hhp.
inline constexpr const wchar_t* kHelpWindowClass = L"HH Parent";
inline constexpr const wchar_t* kHelpTitle = L"Murn Option Selector Help";

// One character more than a label edit accepts; rows 18 to 21 can hold it.
inline constexpr std::string_view kLongLabel = "Radio intercepts and reports!";
static_assert(kLongLabel.size() == 29);

struct Context {
    std::wstring exe;
    std::wstring folder;  // this scenario's game folder
};

// What a page should show for a set of game files, before any click.
struct Shows {
    std::array<int, 2> sliderPositions;
    std::array<const wchar_t*, 2> valueTexts;
    const wchar_t* version = L"";  // main page only
};

// What the pages show for StandardGame() before any click.
inline const Shows kStandardMainShows{{2, 1}, {L"2.5", L"1.0"}, L"v1.6B"};
inline const Shows kStandardModsShows{{2, 4}, {L"128.0", L"2.5"}};

PageState Expected(const GameFiles& game, const PageLayout& layout, const std::vector<std::string>& labels,
                   const Shows& shows);
void ExpectShows(ToolSession& tool, HWND dialog, const PageLayout& layout, const PageState& expected);
void ExpectFile(const Context& ctx, const Bytes& expected);

// The switch bytes that an OK writes for the check marks a page shows.
void PutSwitches(Bytes& exe, std::size_t position, const std::vector<int>& checks);

// Clicks a check box and checks that exactly its mark flipped.
void ClickRow(ToolSession& tool, HWND dialog, const PageLayout& layout, PageState& state, std::size_t row,
              bool bySpaceKey = false);

// Presses a key on a trackbar and checks where it went and what its value
// label says.
void MoveSlider(ToolSession& tool, HWND dialog, const PageLayout& layout, PageState& state, int slider, UINT key,
                int position, const wchar_t* text);

void ExpectNoWindowsAndExit(ToolSession& tool);

// Exactly one message box since the session's record was last reset.
void ExpectOneMessageBox(const ToolSession& tool);

// The tool, just started, fails the main page's load: the message box with
// this text, the page never shown, the program ends.
void ExpectMainLoadFails(ToolSession& tool, const std::wstring& message);

// Waits for the main page. Its show must have been counted exactly once: the
// count is what proves a page that shows for an instant, so it must
// demonstrably work.
HWND StartOnMainPage(ToolSession& tool);

std::vector<HWND> HelpWindows(DWORD processId);
// Presses Help, which returns once the tool has handled it, and waits for
// the help window: one, not owned by either page, titled from the help file.
HWND PressHelpAndWaitForWindow(ToolSession& tool, HWND dialog);
// Closes every help window; the tool must go on running.
void CloseHelpWindows(ToolSession& tool, DWORD processId);

struct Tally {
    int passed = 0;
    int failed = 0;
};

// Runs one named check and reports it; a Failure fails only this check.
bool Check(Tally& tally, const std::wstring& name, const std::function<void()>& body);

// Writes the scenario's game folder under `games`, named after the scenario.
Context Prepare(const std::wstring& exe, const std::wstring& games, const std::wstring& name, const GameFiles& game);

// Groups kept in files of their own (the driver's table lists every group).
void RunAboutHelp(const std::wstring& exe, const std::wstring& games, Tally& tally);
void RunSharing(const std::wstring& exe, const std::wstring& games, Tally& tally);
// demo_game.cpp: `games` is the demo game's folder itself.
void RunDemoGame(const std::wstring& exe, const std::wstring& games, Tally& tally);

}  // namespace murn_wine
