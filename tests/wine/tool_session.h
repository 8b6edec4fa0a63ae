#pragma once
// One run of MURNoptions.exe, seen and driven from outside as a player would:
// its windows found by process and class, read through window messages, and
// clicks and keys sent or posted to its controls. Every wait is bounded; a
// failed expectation throws Failure.

#include <windows.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "show_hook.h"

namespace murn_wine {

struct Failure {
    std::wstring what;
};

[[noreturn]] void Fail(const std::wstring& what);

DWORD ProcessOf(HWND window);

struct TopWindow {
    HWND window;
    std::wstring className;
    bool visible;
};

// Every top-level window of the process, shown or not.
std::vector<TopWindow> TopLevelWindows(DWORD processId);

// How long the first window may take to appear, and how long any other
// reaction may take. Both stretch with MURN_WINE_TIMEOUT_SCALE, which the
// Wine environment sets where 32-bit code runs emulated.
DWORD StartTimeoutMs();
DWORD ReactTimeoutMs();


struct RowIds {
    int check;
    int label;
};

// The controls of one page that show its state.
struct PageLayout {
    const wchar_t* name;
    std::vector<RowIds> rows;
    std::array<int, 2> sliderMax;  // the range that the sliders must have
    bool hasVersionAndLargeAddress;
};

extern const PageLayout kMainLayout;
extern const PageLayout kModsLayout;

// What a page shows. Fields that a page lacks stay at their defaults.
struct PageState {
    std::vector<std::wstring> labels;
    std::vector<int> checks;  // 1 for a checked box
    std::wstring version;
    int largeAddress = 0;
    std::array<int, 2> sliderPositions{};
    std::array<int, 2> sliderMax{};
    std::array<std::wstring, 2> valueTexts;
};

// Names the first field that differs, or returns empty.
std::wstring Compare(const PageState& actual, const PageState& expected);

struct ShownMessage {
    std::wstring caption;
    std::wstring text;
};

class ToolSession {
public:
    ToolSession(const std::wstring& exePath, const std::wstring& folder);
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    // Waits for a visible window of that kind and returns it.
    HWND WaitForWindow(WindowKind kind, DWORD timeoutMs);
    // Waits until no window of that kind exists any more.
    void WaitForNoWindow(WindowKind kind, DWORD timeoutMs);
    // Waits for the program to end; fails if a message box shows up
    // meanwhile, and kills the program after the timeout.
    DWORD WaitForExit(DWORD timeoutMs);
    bool Running();

    // Waits for the next message box, checks its caption and text, and
    // closes it with its OK button.
    void ExpectMessage(const std::wstring& text);

    // What was seen since the last ResetRecord: how often a message box and
    // each page became visible. Besides polling, the show hook (show_hook.h)
    // counts inside the tool, so that a dialog shown only for an instant is
    // counted as well.
    void ResetRecord();
    int MessageBoxesSeen() const;
    int MainPageShows() const;
    int ModsPageShows() const;

    PageState ReadPage(HWND dialog, const PageLayout& layout);

    // Sent: a check box click returns when the tool has handled it.
    void Click(HWND dialog, int id);
    // Posted: for buttons that open a modal window or close the dialog.
    void PostClick(HWND dialog, int id);
    // Moves the focus to the control as the dialog manager would, then posts
    // the key's down and up messages to it.
    void PressKey(HWND dialog, int id, UINT virtualKey);
    void PostToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HWND FocusedWindow();
    std::wstring Text(HWND window);
    LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    HWND Item(HWND dialog, int id);

private:
    void SetShowHook();
    void Record(HWND window, WindowKind kind);
    std::vector<HWND> Windows(WindowKind kind);
    void Poll();

    PROCESS_INFORMATION process_{};
    HANDLE countsMapping_ = nullptr;
    struct ShowCounts* counts_ = nullptr;
    HHOOK showHook_ = nullptr;
    std::set<HWND> messageBoxes_;
    bool mainVisible_ = false;
    bool modsVisible_ = false;
};

}  // namespace murn_wine
