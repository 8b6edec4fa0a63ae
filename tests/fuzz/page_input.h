#pragma once
// The layout of one fuzz_page input, shared by the target that decodes it and
// the seed generator that writes it. A fixed header of control bytes comes
// first; a length-prefixed contents file and the executable's tail follow.
// Missing header bytes read as zero, so every byte string is an input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace murn::fuzz {

struct PageInput {
    // Put entry lines for the three areas in front of the contents file, so
    // that its positions point into the executable's tail.
    bool placeEntries = false;
    // The placed version entry expects what the executable holds there.
    bool versionFromExe = false;
    bool unpatchedLength = false;  // the executable is exactly 1331200 bytes
    bool exeMissing = false;
    bool exeReadOnly = false;  // it opens for reading, not for update
    bool editBeforeApply = false;
    bool injectFault = false;
    bool faultSticky = false;
    bool faultQuiet = false;  // the fault is a short read or a lost write that no error reports
    std::uint8_t faultAt = 0;  // operation number - 1
    std::uint8_t largeAddressByte = 0;
    // Offsets into the tail, taken modulo a little more than its size.
    std::uint16_t switchOffset = 0;
    std::uint16_t sliderOffset = 0;
    std::uint16_t versionOffset = 0;  // 0: the version entry asks for no version
    std::uint32_t switchMask = 0;     // flag i is bit i, when editing
    std::uint8_t sliderPositions = 0;  // low nibble slider 1, high nibble slider 2
    bool largeAddressFlag = false;
    std::string contents;
    std::vector<std::uint8_t> exeTail;  // placed at offset 1000000
};

inline constexpr std::size_t kPageHeaderBytes = 17;

inline PageInput DecodePageInput(std::span<const std::uint8_t> data) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < data.size() ? data[i] : 0; };
    auto u16 = [&](std::size_t i) { return static_cast<std::uint16_t>(at(i) | at(i + 1) << 8); };
    PageInput in;
    const std::uint8_t flags = at(0);
    in.placeEntries = (flags & 0x01) != 0;
    in.versionFromExe = (flags & 0x02) != 0;
    in.unpatchedLength = (flags & 0x04) != 0;
    in.exeMissing = (flags & 0x08) != 0;
    in.exeReadOnly = (flags & 0x10) != 0;
    in.editBeforeApply = (flags & 0x20) != 0;
    in.injectFault = (flags & 0x40) != 0;
    in.faultSticky = (flags & 0x80) != 0;
    in.faultAt = at(1);
    in.largeAddressByte = at(2);
    in.switchOffset = u16(3);
    in.sliderOffset = u16(5);
    in.versionOffset = u16(7);
    in.switchMask = static_cast<std::uint32_t>(u16(9)) | static_cast<std::uint32_t>(u16(11)) << 16;
    in.sliderPositions = at(13);
    in.largeAddressFlag = (at(14) & 0x01) != 0;
    in.faultQuiet = (at(14) & 0x02) != 0;
    const std::size_t contentsBytes = u16(15);
    const std::size_t contentsStart = std::min(data.size(), kPageHeaderBytes);
    const std::size_t contentsEnd = std::min(data.size(), contentsStart + contentsBytes);
    in.contents.assign(data.begin() + static_cast<std::ptrdiff_t>(contentsStart),
                       data.begin() + static_cast<std::ptrdiff_t>(contentsEnd));
    in.exeTail.assign(data.begin() + static_cast<std::ptrdiff_t>(contentsEnd), data.end());
    return in;
}

inline std::vector<std::uint8_t> EncodePageInput(const PageInput& in) {
    std::vector<std::uint8_t> data;
    auto put16 = [&](std::uint32_t v) {
        data.push_back(static_cast<std::uint8_t>(v));
        data.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    data.push_back(static_cast<std::uint8_t>(
        (in.placeEntries ? 0x01 : 0) | (in.versionFromExe ? 0x02 : 0) | (in.unpatchedLength ? 0x04 : 0) |
        (in.exeMissing ? 0x08 : 0) | (in.exeReadOnly ? 0x10 : 0) | (in.editBeforeApply ? 0x20 : 0) |
        (in.injectFault ? 0x40 : 0) | (in.faultSticky ? 0x80 : 0)));
    data.push_back(in.faultAt);
    data.push_back(in.largeAddressByte);
    put16(in.switchOffset);
    put16(in.sliderOffset);
    put16(in.versionOffset);
    put16(in.switchMask & 0xFFFF);
    put16(in.switchMask >> 16);
    data.push_back(in.sliderPositions);
    data.push_back(static_cast<std::uint8_t>((in.largeAddressFlag ? 0x01 : 0) | (in.faultQuiet ? 0x02 : 0)));
    put16(static_cast<std::uint32_t>(in.contents.size()));
    data.insert(data.end(), in.contents.begin(), in.contents.end());
    data.insert(data.end(), in.exeTail.begin(), in.exeTail.end());
    return data;
}

}  // namespace murn::fuzz
