// Build step of the demo game, run on the build machine:
//
//   make_game LINKED.exe FOLDER
//
// turns the linked program into FOLDER/SH3.exe laid out like the patched game
// that MURNoptions.exe expects, and writes FOLDER/MURNcontents.txt and
// FOLDER/Zarvolincontents.txt pointing at its areas:
//   - the PE signature and headers move from where ld put them to
//     kHeaderOffset, so that the characteristics' low byte is file byte 286;
//   - the file is padded with zeros after its last section to kGameSize, and
//     the switch blocks, slider blocks and version text go into that padding;
//   - the PE checksum is computed again over the result.
// Anything unexpected in the linked program stops the build.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "areas.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Error {
    std::string what;
};

std::uint32_t Get(const Bytes& b, std::size_t at, std::size_t width) {
    if (at + width > b.size()) throw Error{"the program ends inside its headers"};
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = value << 8 | b[at + i];
    return value;
}

void Put(Bytes& b, std::size_t at, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutFloat(Bytes& b, std::int32_t at, float value) {
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    Put(b, static_cast<std::size_t>(at), bits, 4);  // little-endian, as the game reads it
}

// Offsets inside the PE headers, counted from the signature.
constexpr std::size_t kMachine = 4, kSectionCount = 6, kOptionalSize = 20, kCharacteristics = 22;
constexpr std::size_t kOptional = 24;
constexpr std::size_t kSizeOfHeaders = kOptional + 60, kCheckSum = kOptional + 64;
constexpr std::size_t kSectionHeader = 40, kRawSize = 16, kRawPointer = 20;

// Moves the headers to kHeaderOffset and returns where the sections' data
// ends, after checking that the program is what this build expects.
std::size_t MoveHeaders(Bytes& exe) {
    if (Get(exe, 0, 2) != 0x5A4D) throw Error{"no MZ header"};
    const std::size_t from = Get(exe, 0x3C, 4);
    if (Get(exe, from, 4) != 0x00004550) throw Error{"no PE signature where e_lfanew points"};
    if (Get(exe, from + kMachine, 2) != 0x014C) throw Error{"not an i386 program"};
    if (Get(exe, from + kOptional, 2) != 0x010B) throw Error{"not a PE32 optional header"};
    const std::uint32_t characteristics = Get(exe, from + kCharacteristics, 2);
    if ((characteristics & 0xFF) != demo_game::kCharacteristicsLow) {
        char text[120];
        std::snprintf(text, sizeof text, "characteristics 0x%04X: link with -s, --disable-dynamicbase and "
                      "--disable-reloc-section, without --large-address-aware", characteristics);
        throw Error{text};
    }
    const std::size_t sections = Get(exe, from + kSectionCount, 2);
    const std::size_t length = kOptional + Get(exe, from + kOptionalSize, 2) + sections * kSectionHeader;
    const std::size_t sizeOfHeaders = Get(exe, from + kSizeOfHeaders, 4);
    if (from > demo_game::kHeaderOffset) throw Error{"the headers already start past their new place"};
    if (demo_game::kHeaderOffset + length > sizeOfHeaders) throw Error{"the headers do not fit at their new place"};

    std::size_t end = sizeOfHeaders;
    for (std::size_t s = 0; s < sections; ++s) {
        const std::size_t header = from + length - (sections - s) * kSectionHeader;
        const std::size_t size = Get(exe, header + kRawSize, 4);
        const std::size_t pointer = Get(exe, header + kRawPointer, 4);
        if (size != 0 && pointer < sizeOfHeaders) throw Error{"a section's data lies inside the headers"};
        if (size != 0 && pointer + size > end) end = pointer + size;
    }
    if (end > exe.size()) throw Error{"a section's data ends past the file"};

    const Bytes headers(exe.begin() + static_cast<std::ptrdiff_t>(from),
                        exe.begin() + static_cast<std::ptrdiff_t>(from + length));
    std::fill(exe.begin() + static_cast<std::ptrdiff_t>(from),
              exe.begin() + static_cast<std::ptrdiff_t>(sizeOfHeaders), std::uint8_t{0});
    std::copy(headers.begin(), headers.end(), exe.begin() + demo_game::kHeaderOffset);
    Put(exe, 0x3C, demo_game::kHeaderOffset, 4);
    return end;
}

// The PE image checksum: the 16-bit one's-complement sum of the file's
// 16-bit words, with the checksum field itself taken as zero, plus the length.
std::uint32_t CheckSum(const Bytes& exe, std::size_t field) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < exe.size(); i += 2) {
        if (i == field || i == field + 2) continue;
        const std::uint32_t high = i + 1 < exe.size() ? exe[i + 1] : 0u;
        sum += exe[i] | high << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + exe.size());
}

template <std::size_t N>
void PutSwitches(Bytes& exe, std::int32_t at, const std::array<demo_game::Switch, N>& table) {
    for (std::size_t i = 0; i < N; ++i) {
        exe[static_cast<std::size_t>(at) + i] = table[i].on ? demo_game::kOn : demo_game::kOff;
    }
}

template <std::size_t N>
std::string Contents(const char* comment, const std::string& versionEntry, std::int32_t switches,
                     std::int32_t sliders, const std::array<demo_game::Switch, N>& table) {
    // CR LF: the files are meant to be read and edited on Windows.
    std::string text = std::string("/ ") + comment + "\r\n";
    text += "/ Entries: switch block, version position:version, slider block\r\n";
    text += ":" + std::to_string(switches) + "\r\n";
    text += ":" + versionEntry + "\r\n";
    text += ":" + std::to_string(sliders) + "\r\n";
    for (const demo_game::Switch& row : table) text += std::string(row.label) + "\r\n";
    text += "-2\r\n";
    return text;
}

void Write(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) throw Error{"cannot write " + path};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_game LINKED.exe FOLDER\n");
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
        const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
        Bytes exe(static_cast<std::size_t>(size > 0 ? size : 0));
        in.seekg(0);
        if (exe.empty() || !in.read(reinterpret_cast<char*>(exe.data()), size)) {
            throw Error{std::string("cannot read ") + argv[1]};
        }

        const std::size_t end = MoveHeaders(exe);
        if (end > static_cast<std::size_t>(demo_game::kMainSwitchPosition)) {
            throw Error{"the program is too large: its sections reach the patch areas"};
        }
        // Whatever follows the last section (a symbol table, say) is not wanted.
        exe.resize(end);
        exe.resize(demo_game::kGameSize, 0);
        PutSwitches(exe, demo_game::kMainSwitchPosition, demo_game::kMainSwitchTable);
        PutSwitches(exe, demo_game::kModsSwitchPosition, demo_game::kModsSwitchTable);
        for (std::size_t i = 0; i < 2; ++i) {
            const auto offset = static_cast<std::int32_t>(4 * i);
            PutFloat(exe, demo_game::kMainSliderPosition + offset, demo_game::kMainValues[i].built);
            PutFloat(exe, demo_game::kModsSliderPosition + offset, demo_game::kModsValues[i].built);
        }
        std::memcpy(exe.data() + demo_game::kVersionPosition, demo_game::kVersion, sizeof demo_game::kVersion);
        const std::size_t checkSum = demo_game::kHeaderOffset + kCheckSum;
        Put(exe, checkSum, CheckSum(exe, checkSum), 4);

        const std::string folder = argv[2];
        Write(folder + "/SH3.exe", exe.data(), exe.size());
        const std::string mainContents =
            Contents("Demo game: switches of the patch in SH3.exe",
                     std::to_string(demo_game::kVersionPosition) + ":" + demo_game::kVersion,
                     demo_game::kMainSwitchPosition, demo_game::kMainSliderPosition, demo_game::kMainSwitchTable);
        const std::string modsContents =
            Contents("Demo game: switches of the add-on mods in SH3.exe", "", demo_game::kModsSwitchPosition,
                     demo_game::kModsSliderPosition, demo_game::kModsSwitchTable);
        Write(folder + "/MURNcontents.txt", mainContents.data(), mainContents.size());
        Write(folder + "/Zarvolincontents.txt", modsContents.data(), modsContents.size());
        return 0;
    } catch (const Error& error) {
        std::fprintf(stderr, "make_game: %s: %s\n", argv[1], error.what.c_str());
        return 1;
    }
}
