#pragma once
// A window hook that the driver sets on the tool's thread: inside the tool's
// process it counts each time a dialog of the tool becomes visible, at the
// moment it happens, so that a dialog shown only for an instant is counted as
// surely as one that stays. The counts live in shared memory that the driver
// creates for each run of the tool, named after its process.

#include <windows.h>

#include <string>

namespace murn_wine {

inline std::wstring ShowCountsName(DWORD processId) {
    return L"Local\\murn_wine_show_counts_" + std::to_wstring(processId);
}

struct ShowCounts {
    volatile LONG mainPageShows;
    volatile LONG modsPageShows;
    volatile LONG messageBoxShows;
};

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
