#pragma once
// The least a page's load or apply can cost the system: the bytes that the
// page's own sequence reads and writes, each area with one plain POSIX call,
// and nothing else.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game_folder.h"
#include "page.h"

namespace murn::bench {

struct FloorAreas {
    std::string contentsPath;
    std::string exePath;
    bool mainPage = false;
    std::int32_t switchPosition = 0;
    std::size_t switchCount = 0;
    std::int32_t sliderPosition = 0;
    std::int32_t versionPosition = 0;  // main page only
};

FloorAreas FloorAreasFor(const GameFolder& folder, const PageProfile& profile);

// What a floor load reads and a floor apply writes back.
struct FloorBytes {
    std::array<char, 4096> contents{};
    std::size_t contentsSize = 0;
    std::vector<std::uint8_t> switches;
    std::uint8_t largeAddress = 0;
    std::array<std::uint8_t, 8> sliders{};
    std::array<char, 9> version{};
};

// Load: open, one read and close of the contents file; open, the length
// (main page only), one pread per area and close of SH3.exe.
bool FloorLoad(const FloorAreas& areas, FloorBytes& bytes);
// Apply: open SH3.exe for update, its length (nothing may be written past
// the end), one pread per area for its old bytes (what an undo would put
// back), one pwrite per area, one pread per area to read it back and compare,
// close. The two slider values are one area of 8 bytes here.
bool FloorApply(const FloorAreas& areas, const FloorBytes& bytes);

}  // namespace murn::bench
