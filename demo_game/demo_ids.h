#pragma once
// The demo game's window class and the IDs of the static texts that show its
// option values (demo_game.cpp describes their texts). Tests find the window
// and read the values through these.

namespace demo_game {

inline constexpr const wchar_t* kWindowClassName = L"MurnDemoGame";

inline constexpr int kMainSwitchIds = 1000;  // + row, 22 rows
inline constexpr int kModsSwitchIds = 1100;  // + row, 13 rows
inline constexpr int kValueIds = 1200;       // + 0..3
inline constexpr int kVersionId = 1300;
inline constexpr int kLargeAddressId = 1301;

}  // namespace demo_game
