// Writes the fuzzers' starting inputs: contents files of both pages in the
// shapes the format allows (CR LF, comments, long lines, the end marker, a CR
// LF astride the reader's block edge) and page inputs that load, run past the
// end of the executable, fail at a chosen file operation and so on.
// Usage: make_seeds OUTPUT_FOLDER; it fills OUTPUT_FOLDER/contents and /page.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "page_input.h"

namespace murn::fuzz {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

Lines Labels(int count, const std::string& stem) {
    Lines labels;
    for (int i = 0; i < count; ++i) labels.push_back(stem + " " + std::to_string(i + 1));
    return labels;
}

std::string Join(const Lines& lines, const std::string& end = "\n") {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Lines kMainEntries = {":1000100", ":1000300:v1.6B", ":1000200"};
const Lines kModsEntries = {":1000500", ":0", ":1000600"};

// A comment line of exactly size bytes, its line feed included.
std::string CommentOfSize(std::size_t size) { return "/" + std::string(size - 2, 'c') + "\n"; }

std::vector<std::pair<std::string, std::string>> ContentsSeeds() {
    std::vector<std::pair<std::string, std::string>> seeds;
    const Lines main = Labels(22, "Switch");
    const Lines mods = Labels(13, "Mod");
    seeds.push_back({"main_valid", Join(Concat(main, kMainEntries))});
    seeds.push_back({"main_valid_crlf", Join(Concat(main, kMainEntries), "\r\n")});
    seeds.push_back({"main_entries_first_no_final_newline", Join(Concat(kMainEntries, main)).substr(0, 300)});
    seeds.push_back({"main_end_marker", Join(Concat(Concat(main, kMainEntries), {"-2", "AFTER THE END", ":1"}))});
    seeds.push_back({"main_end_marker_comment", Join(Concat(Concat(kMainEntries, main), {"-2   / done", "X"}))});
    seeds.push_back({"main_23_labels", Join(Concat(Concat(main, {"ONE TOO MANY"}), kMainEntries))});

    Lines commented = {"/ Contents of the main page", "", "\tindented, ignored", "lower case is ignored too",
                       ":1000100", "{brace", "~tilde", "\x80high byte"};
    for (int i = 0; i < 22; ++i) {
        commented.push_back("Row " + std::to_string(i) + "   / its comment");
        if (i == 5) commented.push_back(":1000300:V1.6b / comment kept in the value");
        if (i == 9) commented.push_back(":1000200:unused:value");
    }
    seeds.push_back({"main_commented", Join(commented)});

    Lines edges = {"A   ", "AB  ", "    ", " ", "On/Off", " -2", "-22", "-2\tX", "#hash", "@at", "_under", "`back"};
    edges = Concat(edges, Labels(10, "Plain"));
    seeds.push_back({"main_label_edges", Join(Concat(edges, kMainEntries))});

    Lines longLines = Labels(17, "Short");
    longLines.push_back(std::string(30, 'S'));                        // row 17: cut to 27
    longLines.push_back(std::string(31, 'T'));                        // row 18: kept whole
    longLines.push_back(std::string(100, 'L'));                       // two labels
    longLines.push_back(std::string(79, 'M'));                        // one label, then a lone line feed
    longLines.push_back("/" + std::string(78, 'c') + "ZZZ comment");  // the 80th byte starts a label
    longLines.push_back(":1000100:" + std::string(60, 'v'));          // entry text beyond 51 bytes
    longLines = Concat(longLines, {":1000300:", ":1000200"});
    seeds.push_back({"main_long_lines", Join(longLines)});

    seeds.push_back({"mods_valid", Join(Concat(mods, kModsEntries))});
    seeds.push_back({"mods_extra_labels",
                     Join(Concat(Concat(mods, {":1000500", ":0", ":1000600", "FOURTEENTH", ":999"}), Labels(3, "X")))});
    seeds.push_back({"eof_byte", Join(Concat(main, kMainEntries)) + "\x1A" + "HIDDEN\n:1\n"});
    seeds.push_back({"lone_carriage_returns", Join(Concat(main, kMainEntries), "\r\r\n") + "A\rB\n\r"});
    seeds.push_back({"eleven_entries", Join(Concat(Concat(kMainEntries, Labels(8, ":100000")), main))});
    seeds.push_back({"positions", Join(Concat(main, {":999999", ":1000000:", ":2147483648"})) +
                                      Join({":-5", ":  +1000000 words", ":0x1000000", ":1e6"})});
    seeds.push_back({"empty", ""});
    seeds.push_back({"zero_bytes", Join(Concat(main, kMainEntries)).replace(10, 1, std::string(1, '\0'))});

    // A CR LF pair astride the first and the second block edge of the reader.
    for (const std::size_t crAt : {std::size_t{4095}, std::size_t{8190}}) {
        std::string text = Join(Concat(kMainEntries, Labels(11, "Before")), "\r\n");
        while (text.size() + 200 < crAt) text += CommentOfSize(100);
        text += CommentOfSize(crAt + 1 - text.size());
        text.back() = '\r';  // at offset crAt
        text += "\n";
        text += Join(Labels(11, "After"), "\r\n");
        seeds.push_back({"crlf_at_" + std::to_string(crAt), text});
    }
    return seeds;
}

PageInput LoadingPage() {
    PageInput in;
    in.placeEntries = true;
    in.versionFromExe = true;
    in.largeAddressByte = 0x2F;
    in.switchOffset = 16;
    in.sliderOffset = 64;
    in.versionOffset = 96;
    in.contents = Join(Labels(22, "Switch"));
    in.exeTail.assign(160, 0x11);
    for (int i = 0; i < 22; ++i) in.exeTail[16 + static_cast<std::size_t>(i)] = i % 3 == 0 ? 0x00 : 0xFF;
    in.exeTail[20] = 0x01;
    const float sliders[2] = {2.5f, 1.0f};
    std::memcpy(&in.exeTail[64], sliders, sizeof sliders);
    const char version[] = "v1.6B";
    std::memcpy(&in.exeTail[96], version, sizeof version);
    return in;
}

std::vector<std::pair<std::string, PageInput>> PageSeeds() {
    std::vector<std::pair<std::string, PageInput>> seeds;
    const PageInput base = LoadingPage();
    seeds.push_back({"loads", base});

    PageInput edited = base;
    edited.editBeforeApply = true;
    edited.switchMask = 0x2A5A5A;
    edited.sliderPositions = 0x36;
    edited.largeAddressFlag = false;
    seeds.push_back({"edited", edited});

    PageInput listed = base;  // the positions stand in the contents file itself
    listed.placeEntries = false;
    listed.contents = Join(Concat({":1000016", ":1000096:V1.6b", ":1000064\r"}, Labels(22, "Switch")));
    seeds.push_back({"positions_in_contents", listed});

    PageInput crlf = base;
    crlf.contents = Join(Labels(22, "Switch"), "\r\n") + "/ end\r\n";
    seeds.push_back({"crlf", crlf});

    PageInput unpatched = base;
    unpatched.unpatchedLength = true;
    seeds.push_back({"unpatched_length", unpatched});

    PageInput missing = base;
    missing.exeMissing = true;
    seeds.push_back({"exe_missing", missing});

    PageInput readOnly = base;
    readOnly.exeReadOnly = true;
    seeds.push_back({"exe_read_only", readOnly});

    PageInput pastEnd = base;  // both blocks start inside and run past the end
    pastEnd.switchOffset = 150;
    pastEnd.sliderOffset = 156;
    for (std::size_t i = 150; i < 160; ++i) pastEnd.exeTail[i] = 0xFF;
    seeds.push_back({"areas_past_end", pastEnd});

    PageInput lacks = base;
    lacks.switchOffset = 200;
    seeds.push_back({"lacks_switches", lacks});

    PageInput overlap = base;
    overlap.sliderOffset = 20;
    seeds.push_back({"overlapping_areas", overlap});

    PageInput mismatch = base;
    mismatch.versionFromExe = false;
    seeds.push_back({"version_mismatch", mismatch});

    PageInput noVersion = base;
    noVersion.versionOffset = 0;
    seeds.push_back({"no_version", noVersion});

    PageInput allOff = base;
    std::fill(allOff.exeTail.begin() + 16, allOff.exeTail.begin() + 38, std::uint8_t{0});
    seeds.push_back({"no_switch_on", allOff});

    for (const int failAt : {2, 5, 9, 14, 18, 22, 26, 30, 34, 38, 42, 46}) {
        for (const bool sticky : {false, true}) {
            PageInput faulty = edited;
            faulty.injectFault = true;
            faulty.faultSticky = sticky;
            faulty.faultAt = static_cast<std::uint8_t>(failAt - 1);
            seeds.push_back({"fault_" + std::to_string(failAt) + (sticky ? "_on" : "_once"), faulty});
            faulty.faultQuiet = true;
            seeds.push_back({"quiet_fault_" + std::to_string(failAt) + (sticky ? "_on" : "_once"), faulty});
        }
    }
    return seeds;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace
}  // namespace murn::fuzz

int main(int argc, char** argv) {
    using namespace murn::fuzz;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out / "contents");
    fs::create_directories(out / "page");
    int written = 0;
    for (const auto& [name, text] : ContentsSeeds()) {
        if (!WriteFile(out / "contents" / name, text)) return 1;
        ++written;
    }
    for (const auto& [name, input] : PageSeeds()) {
        const std::vector<std::uint8_t> bytes = EncodePageInput(input);
        if (!WriteFile(out / "page" / name, std::string(bytes.begin(), bytes.end()))) return 1;
        ++written;
    }
    std::printf("%d seeds in %s\n", written, out.c_str());
    return 0;
}
