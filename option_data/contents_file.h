#pragma once
// Reader of the contents files ("MURNcontents.txt", "Zarvolincontents.txt")
// that name the rows of a page and where its patch areas lie in SH3.exe.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "file_access.h"

namespace murn {

struct ContentsEntry {
    std::string positionText;
    std::string valueText;
};

struct ContentsFile {
    std::vector<std::string> labels;     // row 0 first, 1 to 31 bytes each
    std::vector<ContentsEntry> entries;  // in file order, at most kMaxEntries
    std::int32_t switchPosition = 0;     // entry 0
    std::int32_t sliderPosition = 0;     // entry 2
    std::int32_t versionPosition = 0;    // entry 1; counts only above 1,000,000
    std::string expectedVersion;         // entry 1's value text
};

enum class ContentsOutcome {
    ContentsOk,
    ContentsMissing,
    WrongRowCount,
    BadSwitchPosition,
    BadSliderPosition,
};

struct ContentsResult {
    ContentsOutcome outcome = ContentsOutcome::ContentsMissing;
    ContentsFile file;  // meaningful only with ContentsOk
};

inline constexpr std::size_t kPieceBytes = 79;       // what one read of a line takes
inline constexpr std::size_t kEntryTextBytes = 51;   // text after an entry's ':'
inline constexpr std::size_t kMaxEntries = 10;
inline constexpr std::int32_t kLowestAreaPosition = 1000000;

ContentsResult ReadContentsFile(const std::string& fileName, std::int32_t requiredRows,
                                std::int32_t stopAboveRows,
                                FileSystem& files = DefaultFileSystem());

// A position text as a signed 32-bit decimal: leading white space, an optional
// sign, digits up to the first non-digit; no digits reads as 0, and values
// beyond the range stick at 2147483647 or -2147483648.
std::int32_t ReadPositionNumber(std::string_view text);

}  // namespace murn
