#pragma once
// The only access to the game executable "SH3.exe": the switch block, the
// large-address byte of its header, the slider block and the version text.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "file_access.h"

namespace murn {

inline constexpr const char* kGameExecutableName = "SH3.exe";
inline constexpr std::int64_t kUnpatchedLength = 1331200;
inline constexpr std::int64_t kLargeAddressOffset = 286;
inline constexpr std::uint8_t kLargeAddressSet = 0x2F;
inline constexpr std::uint8_t kLargeAddressClear = 0x0F;
inline constexpr std::size_t kVersionTextBytes = 9;

struct PatchAreaLayout {
    int switchCount = 0;  // 22 on the main page, 13 on the mods page
    std::int32_t switchPosition = 0;
    std::int32_t sliderPosition = 0;
    std::int32_t versionPosition = 0;  // main page only
    bool mainPageAreas = false;
};

struct PatchAreaValues {
    std::vector<std::uint8_t> switchBytes;  // switchCount bytes
    bool largeAddressAware = false;         // main page only
    std::array<float, 2> sliderValues{};    // rounded to one decimal after a read
    std::string versionText;                // main page only; never written
};

enum class ExeOutcome {
    ExeOk,
    ExeCannotOpen,
    ExeUnpatched,
    ExeLacksSwitches,
    ExeReadFailed,        // read: a seek or read failed after the open; nothing was changed
    ExeAreasOutsideFile,  // write: an area does not lie inside the file; nothing written
    ExeWriteFailed,       // write: a seek, write, flush, close or the read-back failed
    ExeWriteUndone,       // write: it failed part-way, and the areas were put back as they were
};

struct ExeReadResult {
    ExeOutcome outcome = ExeOutcome::ExeCannotOpen;
    PatchAreaValues values;  // meaningful only with ExeOk
};

class GameExecutable {
public:
    explicit GameExecutable(FileSystem& files = DefaultFileSystem()) : files_(files) {}

    ExeReadResult ReadPatchAreas(const PatchAreaLayout& layout);
    ExeOutcome WritePatchAreas(const PatchAreaLayout& layout, const PatchAreaValues& values);

private:
    FileSystem& files_;
};

// trunc((x + 0.05) * 10) / 10 in double precision; -2147483648 / 10 when the
// product does not fit 32 bits or x is not a number.
float RoundToOneDecimal(float x);

// The version text itself when it begins with 'v' or 'V', else "Unknown".
std::string VersionDisplayText(const std::string& versionText);

}  // namespace murn
