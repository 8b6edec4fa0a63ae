#include "game_folder.h"

#include <array>
#include <stdexcept>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "game_executable.h"
#include "page.h"

namespace murn::bench {
namespace {

using test::Bytes;

constexpr std::int64_t kSmallLength = 1468416;       // 1.4 MB, whole 512-byte sectors
constexpr std::int64_t kSparseLength = 2147483648;   // 2 GB, one past the last 32-bit position
constexpr std::int32_t kNearStart = 1000000;
constexpr std::int32_t kNearEnd = 2147483639 - 20800;  // the last area ends at 2147483646

// Each area in a 4 KB block of its own, so no two share a buffer load.
AreaPositions PositionsFrom(std::int32_t base) {
    return {base + 4000, base + 8200, base + 12400, base + 16600, base + 20800};
}

const std::array<const char*, 22> kMainLabels = {
    "No crew fatigue",       "Realistic reload times",   "Deck gun in heavy seas",
    "Flak gun crew",         "Snorkel depth fix",        "Battery recharge rate",
    "Hydrophone range",      "Radar detection",          "Convoy routes",
    "Aircraft frequency",    "Escort behaviour",         "Dud torpedoes 1939-41",
    "Magnetic pistol fix",   "Damage model",             "Crew experience",
    "Sonar sweep speed",     "Night visibility",         "Weather changes",
    "Fuel consumption at speed", "Repair times by compartment",
    "Depth charge accuracy x2", "Renown for sunk tonnage",
};

const std::array<const char*, 13> kModsLabels = {
    "Minimum TC on", "Map contacts", "External view", "Event camera",
    "Torpedo camera", "Periscope zoom", "UZO zoom", "Binocular zoom",
    "Radio messages", "Sunk ship list", "Chronometer", "Stop watch",
    "Ship ID manual",
};

std::string MainContentsText(const AreaPositions& at) {
    std::string text =
        "/ Contents of the main options page.\r\n"
        "/ Lines that begin with a slash are comments; so is anything after a\r\n"
        "/ slash on a label line. Entry 0 is the switch block, entry 1 the\r\n"
        "/ version text and the version it must show, entry 2 the slider block.\r\n"
        "/ Positions are decimal byte offsets into SH3.exe.\r\n"
        ":" + std::to_string(at.mainSwitches) + ":switch block\r\n"
        ":" + std::to_string(at.version) + ":v1.44\r\n"
        ":" + std::to_string(at.mainSliders) + ":oxygen sliders\r\n"
        "/\r\n"
        "/ One line per switch, in the order of the switch bytes.\r\n";
    int row = 0;
    for (const char* label : kMainLabels) {
        std::string line = label;
        line.resize(28, ' ');
        text += line + "/ byte " + std::to_string(row++) + "\r\n";
    }
    text += "-2\r\n/ Nothing below the end marker is read.\r\n";
    return text;
}

std::string ModsContentsText(const AreaPositions& at) {
    std::string text =
        "/ Contents of the mods page.\r\n"
        "/ Entry 0 is the switch block, entry 2 the slider block; entry 1 is\r\n"
        "/ not used on this page.\r\n"
        ":" + std::to_string(at.modsSwitches) + ":mod switches\r\n"
        ":0\r\n"
        ":" + std::to_string(at.modsSliders) + ":TC sliders\r\n"
        "/\r\n";
    int row = 0;
    for (const char* label : kModsLabels) {
        std::string line = label;
        line.resize(24, ' ');
        text += line + "/ mod byte " + std::to_string(row++) + "\r\n";
    }
    text += "-2\r\n";
    return text;
}

Bytes Alternating(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = i % 3 == 0 ? 0xFF : 0x00;
    return bytes;
}

Bytes Floats(float first, float second) {
    Bytes bytes = test::FloatBytes(first);
    const Bytes more = test::FloatBytes(second);
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

// Everything the two pages read, at the places the contents files name.
std::vector<std::pair<std::int64_t, Bytes>> PatchBytes(const AreaPositions& at) {
    const std::string version = "v1.44";
    Bytes versionBytes(version.begin(), version.end());
    versionBytes.resize(kVersionTextBytes, 0);
    return {
        {0, Bytes{'M', 'Z'}},
        {kLargeAddressOffset, Bytes{kLargeAddressSet}},
        {at.mainSwitches, Alternating(22)},
        {at.version, versionBytes},
        {at.mainSliders, Floats(2.5f, 3.0f)},
        {at.modsSwitches, Alternating(13)},
        {at.modsSliders, Floats(64.0f, 1.5f)},
    };
}

}  // namespace

const char* ExeKindName(ExeKind kind) {
    switch (kind) {
        case ExeKind::Small: return "1.4MB";
        case ExeKind::Sparse: return "2GB@1M";
        case ExeKind::SparseAtEnd: return "2GB@end";
    }
    return "?";
}

bool ExeKindFromName(const std::string& name, ExeKind& kind) {
    for (const ExeKind k : {ExeKind::Small, ExeKind::Sparse, ExeKind::SparseAtEnd}) {
        if (name == ExeKindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

GameFolder::GameFolder(ExeKind kind)
    : kind_(kind),
      positions_(PositionsFrom(kind == ExeKind::SparseAtEnd ? kNearEnd : kNearStart)),
      length_(kind == ExeKind::Small ? kSmallLength : kSparseLength) {
    WriteContentsFiles();
    if (kind == ExeKind::Small) {
        WriteSmallExe();
    } else {
        WriteSparseExe();
    }
}

void GameFolder::WriteContentsFiles() const {
    folder_.Write(MainPageProfile.contentsFileName, MainContentsText(positions_));
    folder_.Write(ModsPageProfile.contentsFileName, ModsContentsText(positions_));
}

void GameFolder::WriteSmallExe() const {
    // Code-like bytes rather than zeros, so that a stray read shows up as data.
    test::Bytes noise(static_cast<std::size_t>(length_));
    std::uint32_t seed = 0x2545F491u;
    for (std::uint8_t& byte : noise) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    test::ExeImage image(noise.size());
    image.Put(0, noise);
    for (const auto& [offset, bytes] : PatchBytes(positions_))
        image.Put(static_cast<std::size_t>(offset), bytes);
    folder_.Write(kGameExecutableName, image.bytes());
}

void GameFolder::WriteSparseExe() const {
    const std::string path = PathOf(kGameExecutableName);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    bool ok = ::ftruncate(fd, static_cast<off_t>(length_)) == 0;
    for (const auto& [offset, bytes] : PatchBytes(positions_)) {
        ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                       static_cast<ssize_t>(bytes.size());
    }
    ok = ::close(fd) == 0 && ok;
    if (!ok) throw std::runtime_error("cannot write the sparse " + path);
}

}  // namespace murn::bench
