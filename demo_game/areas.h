#pragma once
// Where the demo game keeps its patch options, and what it holds when it is
// built. Shared by the game itself (which reads the areas from its own file)
// and by make_game, the build step that turns the linked program into
// "SH3.exe" and writes the two contents files that point at the areas.
// Plain C++ only: it is compiled for Windows and for the build machine.

#include <array>
#include <cstddef>
#include <cstdint>

namespace demo_game {

// The PE signature starts here instead of ld's 0x80, so that the low byte of
// the file header's characteristics is file byte 286: 0x108 + 4 (signature)
// + 18 (machine, section count, time stamp, symbol table, optional header
// size) = 286.
inline constexpr std::uint32_t kHeaderOffset = 0x108;
inline constexpr std::uint32_t kCharacteristicsOffset = kHeaderOffset + 4 + 18;
static_assert(kCharacteristicsOffset == 286);

// The low byte of the characteristics as the linker writes it: relocations,
// line numbers and local symbols stripped, executable. 0x20 more marks the
// program large-address-aware.
inline constexpr std::uint8_t kCharacteristicsLow = 0x0F;
inline constexpr std::uint8_t kLargeAddressAwareBit = 0x20;

// The patch areas lie in data appended after the program's last section,
// which the loader never maps.
inline constexpr std::int32_t kMainSwitchPosition = 1000000;
inline constexpr std::int32_t kMainSliderPosition = 1000100;
inline constexpr std::int32_t kVersionPosition = 1000200;
inline constexpr std::int32_t kModsSwitchPosition = 1000300;
inline constexpr std::int32_t kModsSliderPosition = 1000400;
inline constexpr std::size_t kVersionBytes = 9;

// The whole file: past every area, and not the size of the unpatched game.
inline constexpr std::size_t kGameSize = 1000512;
static_assert(kGameSize > static_cast<std::size_t>(kModsSliderPosition) + 8);
static_assert(kGameSize != 1331200);

inline constexpr char kVersion[] = "v1.6B";
static_assert(sizeof kVersion <= kVersionBytes);

inline constexpr std::uint8_t kOn = 0xFF;
inline constexpr std::uint8_t kOff = 0x00;

struct Switch {
    const char* label;  // at most 27 characters: the tool shows that much in every row
    bool on;            // as built
};

inline constexpr std::size_t kMainSwitches = 22;
inline constexpr std::size_t kModsSwitches = 13;

inline constexpr std::array<Switch, kMainSwitches> kMainSwitchTable{{
    {"Realistic sensors", true},    {"No map contacts", false},       {"Hard torpedo reloads", true},
    {"Longer patrol grids", false}, {"Slow deck gun crews", false},   {"Manual depth readouts", true},
    {"Night lookout penalty", false}, {"Escort radar sweeps", true},  {"Convoy zig-zag", true},
    {"Dud torpedo chance", false},  {"Battery drain boost", true},    {"Crew fatigue model", true},
    {"Harbour traffic", false},     {"Storm wave height", false},     {"Aircraft patrols", true},
    {"Sonar blind arcs", true},     {"Snorkel noise", false},         {"Hull stress limits", true},
    {"Fuel burn at flank speed", false}, {"Radio intercepts", false}, {"Minefield warnings", true},
    {"Weather reports", false},
}};

inline constexpr std::array<Switch, kModsSwitches> kModsSwitchTable{{
    {"Extra harbour lights", false}, {"Wolfpack contacts", true},   {"Quiet running bonus", false},
    {"Depth charge spread", false},  {"Flak crew training", true},  {"Deck cargo", true},
    {"Port repair times", false},    {"Radar detector", false},     {"Periscope glare", true},
    {"Target speed guess", false},   {"Longer nights", false},      {"Ice floes", true},
    {"Rough seas at night", false},
}};

struct Value {
    const char* name;
    float built;  // on the tool's scale for that slider
};

// Two values at each slider position: the main page's, then the mods page's.
inline constexpr std::array<Value, 2> kMainValues{{{"Oxygen in boat", 2.5f}, {"Compressed oxygen", 1.0f}}};
inline constexpr std::array<Value, 2> kModsValues{{{"Minimum TC", 128.0f}, {"Not used", 2.5f}}};

}  // namespace demo_game
