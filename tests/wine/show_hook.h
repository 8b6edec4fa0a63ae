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

// The hook procedure's exported name (WH_CALLWNDPROC).
inline constexpr const char* kShowHookProcName = "MurnShowHook";

}  // namespace murn_wine
