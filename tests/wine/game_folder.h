#pragma once
// A game folder made up for one test: the two contents files and a synthetic
// patched "SH3.exe" whose patch areas lie at fixed places past 1,000,000.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace murn_wine {

inline constexpr std::int32_t kMainSwitchPosition = 1000000;
inline constexpr std::int32_t kMainSliderPosition = 1000100;
inline constexpr std::int32_t kVersionPosition = 1000200;
inline constexpr std::int32_t kModsSwitchPosition = 1000300;
inline constexpr std::int32_t kModsSliderPosition = 1000400;
inline constexpr std::int32_t kLargeAddressOffset = 286;
inline constexpr std::size_t kExeSize = 1100000;
inline constexpr std::size_t kUnpatchedSize = 1331200;

inline constexpr int kMainRows = 22;
inline constexpr int kModsRows = 13;

using Bytes = std::vector<std::uint8_t>;

// Everything a game folder holds, in memory. Tests change the fields, write
// the folder, and compare "SH3.exe" afterwards with `exe`.
struct GameFiles {
    std::string mainContents;  // "MURNcontents.txt"; empty with hasMainContents false
    std::string modsContents;  // "Zarvolincontents.txt"
    bool hasMainContents = true;
    bool hasModsContents = true;
    bool hasExe = true;
    Bytes exe;  // "SH3.exe"
};

// The labels that the standard contents files give the rows.
extern const std::array<const char*, kMainRows> kMainLabels;
extern const std::array<const char*, kModsRows> kModsLabels;

// The standard switch bytes: a mix of 0xFF, 0x00 and 0x01 (which reads as off).
extern const std::array<std::uint8_t, kMainRows> kMainSwitchBytes;
extern const std::array<std::uint8_t, kModsRows> kModsSwitchBytes;

// A contents file: comment lines, entry lines, labels, the end marker.
std::string MakeContents(const std::vector<std::string>& labels, const std::string& switchEntry,
                         const std::string& versionEntry, const std::string& sliderEntry);

std::vector<std::string> MainLabels();
std::vector<std::string> ModsLabels();

// The standard folder: version "v1.6B" expected and present, byte 286 0x2F,
// main sliders 2.5 and 1.0, mods sliders 128.0 and 2.5.
GameFiles StandardGame();

void PutBytes(Bytes& exe, std::size_t offset, const Bytes& bytes);
void PutFloat(Bytes& exe, std::size_t offset, float value);
Bytes FloatBytes(float value);

// Writes the folder (creating it) and removes the files that are absent.
// Returns an empty string or what went wrong.
std::wstring WriteGame(const std::wstring& folder, const GameFiles& files);
bool ReadWholeFile(const std::wstring& path, Bytes& bytes);

// Describes the first difference between two images, or returns empty.
std::wstring FirstDifference(const Bytes& actual, const Bytes& expected);

std::wstring Widen(const std::string& text);

}  // namespace murn_wine
