#include "game_executable.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "contents_file.h"

namespace murn {
namespace {

constexpr std::size_t kSliderBlockBytes = 8;

// Reads size bytes at offset into buffer. Bytes past the end of the file are
// not read and stay zero, so a missing switch byte reads as off and a missing
// slider value as 0.0. Returns how many bytes were read; failed is set when
// the system reports an error rather than the end of the file.
std::size_t ReadArea(File& file, std::int64_t offset, std::uint8_t* buffer, std::size_t size,
                     bool& failed) {
    std::fill(buffer, buffer + size, std::uint8_t{0});
    if (offset < 0) return 0;
    if (!file.Seek(offset)) {
        failed = true;
        return 0;
    }
    bool readFailed = false;
    const std::size_t got = file.Read(buffer, size, readFailed);
    if (readFailed) failed = true;
    return got;
}

float SliderValueFrom(const std::uint8_t* bytes, bool present) {
    if (!present) return 0.0f;
    const std::uint32_t bits = static_cast<std::uint32_t>(bytes[0]) |
                               static_cast<std::uint32_t>(bytes[1]) << 8 |
                               static_cast<std::uint32_t>(bytes[2]) << 16 |
                               static_cast<std::uint32_t>(bytes[3]) << 24;
    return RoundToOneDecimal(std::bit_cast<float>(bits));
}

void PutSliderValue(float value, std::uint8_t* bytes) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(RoundToOneDecimal(value));
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

// The length of an open file, or -1 when it cannot be measured.
std::int64_t MeasureLength(File& file) {
    if (!file.Seek(0)) return -1;
    const std::int64_t start = file.Tell();
    if (start < 0 || !file.SeekToEnd()) return -1;
    const std::int64_t end = file.Tell();
    return end < start ? -1 : end - start;
}

struct Area {
    std::int64_t offset;
    std::vector<std::uint8_t> bytes;
};

bool LiesInside(const Area& area, std::int64_t length) {
    return area.offset >= 0 && area.offset + static_cast<std::int64_t>(area.bytes.size()) <= length;
}

// The switch and slider blocks never lie in the header: a position below the
// lowest valid one means the caller has no contents file behind it.
bool IsAreaPosition(std::int32_t position) { return position >= kLowestAreaPosition; }


// What the file must hold at offset once every area has been written in
// order: the last area that covers it wins, should two areas overlap.
std::uint8_t ExpectedByte(const std::vector<Area>& areas, std::int64_t offset) {
    std::uint8_t byte = 0;
    for (const Area& area : areas) {
        const std::int64_t index = offset - area.offset;
        if (index >= 0 && index < static_cast<std::int64_t>(area.bytes.size()))
            byte = area.bytes[static_cast<std::size_t>(index)];
    }
    return byte;
}

bool WriteAndVerify(File& file, const std::vector<Area>& areas) {
    for (const Area& area : areas) {
        if (!file.Seek(area.offset) || !file.Write(area.bytes.data(), area.bytes.size()))
            return false;
    }
    if (!file.Flush()) return false;
    for (const Area& area : areas) {
        std::vector<std::uint8_t> actual(area.bytes.size());
        bool failed = false;
        if (ReadArea(file, area.offset, actual.data(), actual.size(), failed) != actual.size() ||
            failed)
            return false;
        for (std::size_t i = 0; i < area.bytes.size(); ++i) {
            if (actual[i] != ExpectedByte(areas, area.offset + static_cast<std::int64_t>(i)))
                return false;
        }
    }
    return true;
}

}  // namespace

float RoundToOneDecimal(float x) {
    const double product = (static_cast<double>(x) + 0.05) * 10.0;
    // Converting a double that does not fit is undefined in C++; the x86
    // conversion yields the lowest 32-bit value then, and so does this.
    std::int32_t n = INT32_MIN;
    if (product > -2147483649.0 && product < 2147483648.0) n = static_cast<std::int32_t>(product);
    return static_cast<float>(n / 10.0);
}

std::string VersionDisplayText(const std::string& versionText) {
    if (!versionText.empty() && (versionText[0] == 'v' || versionText[0] == 'V')) return versionText;
    return "Unknown";
}

ExeReadResult GameExecutable::ReadPatchAreas(const PatchAreaLayout& layout) {
    ExeReadResult result;
    std::unique_ptr<File> file = files_.Open(kGameExecutableName, OpenMode::ReadOnly);
    if (!file) {
        result.outcome = ExeOutcome::ExeCannotOpen;
        return result;
    }

    bool failed = false;
    if (layout.mainPageAreas) {
        const std::int64_t length = MeasureLength(*file);
        if (length < 0) {
            result.outcome = ExeOutcome::ExeReadFailed;
            return result;
        }
        // An unpatched file is unpatched wherever the contents file says the switches are.
        if (length == kUnpatchedLength) {
            result.outcome = ExeOutcome::ExeUnpatched;
            return result;
        }
        if (length < layout.switchPosition) {
            result.outcome = ExeOutcome::ExeLacksSwitches;
            return result;
        }
    }

    PatchAreaValues& values = result.values;
    values.switchBytes.assign(static_cast<std::size_t>(std::max(layout.switchCount, 0)), 0);
    ReadArea(*file, layout.switchPosition, values.switchBytes.data(), values.switchBytes.size(),
             failed);

    if (layout.mainPageAreas) {
        std::uint8_t header = 0;
        ReadArea(*file, kLargeAddressOffset, &header, 1, failed);
        values.largeAddressAware = header == kLargeAddressSet;
    }

    std::uint8_t slider[kSliderBlockBytes];
    const std::size_t got = ReadArea(*file, layout.sliderPosition, slider, sizeof slider, failed);
    values.sliderValues[0] = SliderValueFrom(slider, got >= 4);
    values.sliderValues[1] = SliderValueFrom(slider + 4, got >= 8);

    if (layout.mainPageAreas && layout.versionPosition > kLowestAreaPosition) {
        char text[kVersionTextBytes];
        std::size_t size = ReadArea(*file, layout.versionPosition,
                                    reinterpret_cast<std::uint8_t*>(text), sizeof text, failed);
        // A line feed ends the text and stays part of it; a zero byte ends it before.
        if (const void* lineFeed = std::memchr(text, '\n', size))
            size = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - text) + 1;
        values.versionText.assign(text, size);
        values.versionText.resize(std::strlen(values.versionText.c_str()));
    }

    file->Close();
    result.outcome = failed ? ExeOutcome::ExeReadFailed : ExeOutcome::ExeOk;
    return result;
}

ExeOutcome GameExecutable::WritePatchAreas(const PatchAreaLayout& layout,
                                           const PatchAreaValues& values) {
    if (!IsAreaPosition(layout.switchPosition) || !IsAreaPosition(layout.sliderPosition))
        return ExeOutcome::ExeAreasOutsideFile;
    std::unique_ptr<File> file = files_.Open(kGameExecutableName, OpenMode::ReadUpdate);
    if (!file) return ExeOutcome::ExeCannotOpen;

    std::vector<Area> areas;
    Area switches{layout.switchPosition, values.switchBytes};
    switches.bytes.resize(static_cast<std::size_t>(std::max(layout.switchCount, 0)), 0);
    areas.push_back(std::move(switches));
    if (layout.mainPageAreas) {
        areas.push_back({kLargeAddressOffset,
                         {values.largeAddressAware ? kLargeAddressSet : kLargeAddressClear}});
    }
    // Each slider value has its own seek, as the areas are written one by one.
    Area slider1{layout.sliderPosition, std::vector<std::uint8_t>(4)};
    Area slider2{static_cast<std::int64_t>(layout.sliderPosition) + 4, std::vector<std::uint8_t>(4)};
    PutSliderValue(values.sliderValues[0], slider1.bytes.data());
    PutSliderValue(values.sliderValues[1], slider2.bytes.data());
    areas.push_back(std::move(slider1));
    areas.push_back(std::move(slider2));

    // Nothing is written unless every area lies inside the file: a write past
    // the end would lengthen the game executable.
    const std::int64_t length = MeasureLength(*file);
    if (length < 0) return ExeOutcome::ExeCannotOpen;
    for (const Area& area : areas) {
        if (!LiesInside(area, length)) return ExeOutcome::ExeAreasOutsideFile;
    }

    // What the areas hold now, so that a write that fails part-way can be undone.
    std::vector<Area> originals;
    for (const Area& area : areas) {
        Area original{area.offset, std::vector<std::uint8_t>(area.bytes.size())};
        bool failed = false;
        if (ReadArea(*file, original.offset, original.bytes.data(), original.bytes.size(), failed) !=
                original.bytes.size() ||
            failed)
            return ExeOutcome::ExeCannotOpen;  // nothing written yet
        originals.push_back(std::move(original));
    }

    if (!WriteAndVerify(*file, areas)) {
        const bool undone = WriteAndVerify(*file, originals);
        const bool closed = file->Close();
        return undone && closed ? ExeOutcome::ExeWriteUndone : ExeOutcome::ExeWriteFailed;
    }
    // Written and read back; a close that still fails may have lost the bytes.
    return file->Close() ? ExeOutcome::ExeOk : ExeOutcome::ExeWriteFailed;
}

}  // namespace murn
