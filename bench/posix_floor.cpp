#include "posix_floor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "game_executable.h"

namespace murn::bench {
namespace {

bool PreadExactly(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    return ::pread(fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

bool PwriteExactly(int fd, const void* buffer, std::size_t size, std::int64_t offset) {
    return ::pwrite(fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

std::int64_t LengthOf(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
}

}  // namespace

FloorAreas FloorAreasFor(const GameFolder& folder, const PageProfile& profile) {
    const AreaPositions& at = folder.Positions();
    FloorAreas areas;
    areas.contentsPath = folder.PathOf(profile.contentsFileName);
    areas.exePath = folder.PathOf(kGameExecutableName);
    areas.mainPage = profile.mainPageAreas;
    areas.switchCount = static_cast<std::size_t>(profile.rowCount);
    areas.switchPosition = areas.mainPage ? at.mainSwitches : at.modsSwitches;
    areas.sliderPosition = areas.mainPage ? at.mainSliders : at.modsSliders;
    areas.versionPosition = areas.mainPage ? at.version : 0;
    return areas;
}

bool FloorLoad(const FloorAreas& areas, FloorBytes& bytes) {
    const int contents = ::open(areas.contentsPath.c_str(), O_RDONLY);
    if (contents < 0) return false;
    const ssize_t got = ::read(contents, bytes.contents.data(), bytes.contents.size());
    ::close(contents);
    if (got <= 0) return false;
    bytes.contentsSize = static_cast<std::size_t>(got);

    const int exe = ::open(areas.exePath.c_str(), O_RDONLY);
    if (exe < 0) return false;
    bool ok = !areas.mainPage || LengthOf(exe) >= areas.switchPosition;
    bytes.switches.resize(areas.switchCount);
    ok = ok && PreadExactly(exe, bytes.switches.data(), bytes.switches.size(), areas.switchPosition);
    if (areas.mainPage)
        ok = ok && PreadExactly(exe, &bytes.largeAddress, 1, kLargeAddressOffset);
    ok = ok && PreadExactly(exe, bytes.sliders.data(), bytes.sliders.size(), areas.sliderPosition);
    if (areas.mainPage)
        ok = ok && PreadExactly(exe, bytes.version.data(), bytes.version.size(), areas.versionPosition);
    ::close(exe);
    return ok;
}

bool FloorApply(const FloorAreas& areas, const FloorBytes& bytes) {
    const int exe = ::open(areas.exePath.c_str(), O_RDWR);
    if (exe < 0) return false;
    const std::int64_t length = LengthOf(exe);
    bool ok = length >= static_cast<std::int64_t>(areas.switchPosition) +
                            static_cast<std::int64_t>(bytes.switches.size()) &&
              length >= static_cast<std::int64_t>(areas.sliderPosition) + 8;

    // The old bytes first, as the tool keeps them to undo a failed write.
    std::uint8_t oldSwitches[32];
    std::uint8_t oldLargeAddress = 0;
    std::uint8_t oldSliders[8];
    const std::size_t switchCount = std::min(bytes.switches.size(), sizeof oldSwitches);
    ok = ok && PreadExactly(exe, oldSwitches, switchCount, areas.switchPosition);
    if (areas.mainPage) ok = ok && PreadExactly(exe, &oldLargeAddress, 1, kLargeAddressOffset);
    ok = ok && PreadExactly(exe, oldSliders, sizeof oldSliders, areas.sliderPosition);

    ok = ok && PwriteExactly(exe, bytes.switches.data(), switchCount, areas.switchPosition);
    if (areas.mainPage)
        ok = ok && PwriteExactly(exe, &bytes.largeAddress, 1, kLargeAddressOffset);
    ok = ok && PwriteExactly(exe, bytes.sliders.data(), bytes.sliders.size(), areas.sliderPosition);

    // And every area read back and compared, as the tool verifies its writes.
    std::uint8_t back[32];
    ok = ok && PreadExactly(exe, back, switchCount, areas.switchPosition) &&
         std::memcmp(back, bytes.switches.data(), switchCount) == 0;
    if (areas.mainPage)
        ok = ok && PreadExactly(exe, back, 1, kLargeAddressOffset) && back[0] == bytes.largeAddress;
    ok = ok && PreadExactly(exe, back, bytes.sliders.size(), areas.sliderPosition) &&
         std::memcmp(back, bytes.sliders.data(), bytes.sliders.size()) == 0;
    return ::close(exe) == 0 && ok && switchCount == bytes.switches.size();
}

}  // namespace murn::bench
