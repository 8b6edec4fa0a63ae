#pragma once
// A window hook that the driver sets on the tool's thread: inside the tool's
// process it counts each time a dialog of the tool becomes visible, at the
// moment it happens, so that a dialog shown only for an instant is counted as
// surely as one that stays. The counts live in shared memory that the driver
// creates for each run of the tool, named after its process. On request it
// also reads a window's system menu and icons there.

#include <windows.h>

#include <string>

namespace murn_wine {

inline std::wstring ShowCountsName(DWORD processId) {
    return L"Local\\murn_wine_show_counts_" + std::to_wstring(processId);
}

// A reading of one window's system menu and icons, taken inside the tool when
// the driver sends that window kReadWindowMessage: under Wine another process
// can neither read the tool's menus nor ask its windows for their icons.
struct MenuItemReading {
    UINT type;  // MFT_ flags
    UINT id;
    wchar_t text[48];
};

struct WindowReading {
    volatile LONG readings;  // counts up after each complete reading
    LONG menuItemCount;      // -1: the window has no system menu
    MenuItemReading menuItems[16];
    UINT bigIcon;    // WM_GETICON
    UINT smallIcon;
    // Icon 128 of the program as the tool's own LoadIcon returns it: a shared
    // icon has one handle, so the window icons are compared with it.
    UINT icon128;
};

struct ShowCounts {
    volatile LONG mainPageShows;
    volatile LONG modsPageShows;
    volatile LONG messageBoxShows;
    // Top-level windows of the tool's thread that are not dialogs, such as a
    // help window.
    volatile LONG otherWindowShows;
    WindowReading window;
};

// Registered message name; sent to a window of the tool, it makes the hook
// read that window's system menu and icons into ShowCounts::window.
inline constexpr const wchar_t* kReadWindowMessage = L"murn_wine_read_window";

enum class WindowKind { MainPage, ModsPage, MessageBox, Other };

// Tells the tool's dialogs apart by the controls each kind has: the version
// box and the mods button on the main page, the sliders without a version box
// on the mods page, the text of a system message box (ID 0xFFFF).
inline WindowKind Classify(HWND window) {
    const bool hasVersion = GetDlgItem(window, 1033) != nullptr;
    if (hasVersion && GetDlgItem(window, 3)) return WindowKind::MainPage;
    if (!hasVersion && GetDlgItem(window, 1035)) return WindowKind::ModsPage;
    if (GetDlgItem(window, 0xFFFF)) return WindowKind::MessageBox;
    return WindowKind::Other;
}

// The hook procedure's exported name (WH_CALLWNDPROC).
inline constexpr const char* kShowHookProcName = "MurnShowHook";

}  // namespace murn_wine
