// Any byte string as a contents file, read with both pages' row counts. The
// reader's buffering (4 KB blocks, a carriage return given back across a block
// edge, short reads) is where a fault would hide, so its result is held
// against a plain model that takes the whole file at once, and against itself
// when the same text comes in small reads, with CR LF line ends, or with a
// failing read.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "contents_file.h"
#include "fuzz_check.h"
#include "memory_file_system.h"

namespace murn::fuzz {
namespace {

constexpr const char* kName = "contents.txt";

struct Params {
    std::int32_t requiredRows;
    std::int32_t stopAboveRows;
};
constexpr Params kMain{22, 22};
constexpr Params kMods{13, 12};

struct Model {
    std::vector<std::string> labels;
    std::vector<ContentsEntry> entries;
};

bool IsLabelStart(unsigned char c) { return c >= 0x20 && c <= 0x60 && c != '/' && c != ':'; }

std::string_view UpTo(std::string_view text, char c) { return text.substr(0, text.find(c)); }

// The reading as the format describes it, on the whole file at once.
Model ReadModel(std::span<const std::uint8_t> bytes, std::int32_t stopAboveRows) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == 0x1A) break;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text.push_back(static_cast<char>(bytes[i]));
    }
    Model model;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t size = std::min<std::size_t>(kPieceBytes, text.size() - start);
        const std::size_t lineFeed = text.find('\n', start);
        if (lineFeed != std::string::npos && lineFeed - start < size) size = lineFeed - start + 1;
        const std::string piece = text.substr(start, size);
        start += size;

        const std::string_view line = UpTo(piece, '\0');
        if (!line.empty() && line[0] == ':') {
            if (model.entries.size() == kMaxEntries) continue;
            std::string_view body = UpTo(line, '\n').substr(1);
            body = body.substr(0, kEntryTextBytes);
            const std::size_t colon = body.find(':');
            if (colon == std::string_view::npos)
                model.entries.push_back({std::string(body), {}});
            else
                model.entries.push_back({std::string(body.substr(0, colon)), std::string(body.substr(colon + 1))});
        } else if (!line.empty() && IsLabelStart(static_cast<unsigned char>(line[0]))) {
            const std::size_t limit = model.labels.size() < 18 ? 27 : 31;
            const std::string_view cut = UpTo(UpTo(line.substr(0, limit), '\n'), '/');
            std::size_t last = cut.size() - 1;
            while (last > 1 && cut[last] == ' ') --last;
            const std::string label(cut.substr(0, last + 1));
            if (label == "-2") break;
            if (static_cast<std::int64_t>(model.labels.size()) > stopAboveRows) break;
            model.labels.push_back(label);
        }
    }
    return model;
}

// The C library's reading of a decimal, kept to 32 bits.
std::int32_t StrtolPosition(const std::string& text) {
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

std::string Show(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown.push_back(c);
        } else {
            static const char kHex[] = "0123456789abcdef";
            shown += "\\x";
            shown.push_back(kHex[byte >> 4]);
            shown.push_back(kHex[byte & 15]);
        }
    }
    return '"' + shown + '"';
}

bool SameEntries(const std::vector<ContentsEntry>& a, const std::vector<ContentsEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].positionText != b[i].positionText || a[i].valueText != b[i].valueText) return false;
    }
    return true;
}

bool SameResult(const ContentsResult& a, const ContentsResult& b) {
    return a.outcome == b.outcome && a.file.labels == b.file.labels && SameEntries(a.file.entries, b.file.entries) &&
           a.file.switchPosition == b.file.switchPosition && a.file.sliderPosition == b.file.sliderPosition &&
           a.file.versionPosition == b.file.versionPosition && a.file.expectedVersion == b.file.expectedVersion;
}

struct Reading {
    ContentsResult result;
    std::vector<MemoryOp> log;
    bool injected = false;
};

Reading Read(std::span<const std::uint8_t> bytes, Params params, std::size_t readLimit = 0, int failAt = 0,
             bool sticky = false) {
    MemoryFileSystem files;
    files.Add(kName, MemoryImage(bytes));
    files.LimitReads(readLimit);
    files.FailAt(failAt, sticky);
    Reading reading{ReadContentsFile(kName, params.requiredRows, params.stopAboveRows, files), files.Log(),
                    files.Injected()};
    FUZZ_REQUIRE(files.OpenFiles() == 0, "the contents file was left open");
    FUZZ_REQUIRE(files.CallsAfterClose() == 0, "");
    FUZZ_REQUIRE(files.Opened().size() == 1 && files.Opened()[0].second == OpenMode::ReadOnly, "");
    return reading;
}

void CheckPromises(std::span<const std::uint8_t> bytes, const ContentsResult& result, Params params) {
    const ContentsFile& file = result.file;
    const Model model = ReadModel(bytes, params.stopAboveRows);
    FUZZ_REQUIRE(file.labels == model.labels,
                 "labels differ from the model; first differing: " +
                     [&] {
                         for (std::size_t i = 0; i < std::max(file.labels.size(), model.labels.size()); ++i) {
                             const std::string got = i < file.labels.size() ? Show(file.labels[i]) : "none";
                             const std::string want = i < model.labels.size() ? Show(model.labels[i]) : "none";
                             if (got != want) return "row " + std::to_string(i) + " " + got + " vs " + want;
                         }
                         return std::string("?");
                     }());
    FUZZ_REQUIRE(SameEntries(file.entries, model.entries), "entries differ from the model");

    FUZZ_REQUIRE(static_cast<std::int64_t>(file.labels.size()) <= params.stopAboveRows + 1, "");
    for (std::size_t row = 0; row < file.labels.size(); ++row) {
        const std::string& label = file.labels[row];
        const std::string where = "row " + std::to_string(row) + " " + Show(label);
        FUZZ_REQUIRE(!label.empty() && label.size() <= (row < 18 ? 27u : 31u), where);
        FUZZ_REQUIRE(IsLabelStart(static_cast<unsigned char>(label[0])), where);
        FUZZ_REQUIRE(label.find_first_of(std::string_view("\n/\0", 3)) == std::string::npos, where);
        FUZZ_REQUIRE(label.size() <= 2 || label.back() != ' ', where);
        FUZZ_REQUIRE(label != "-2", where);
    }
    FUZZ_REQUIRE(file.entries.size() <= kMaxEntries, "");
    for (const ContentsEntry& entry : file.entries) {
        const std::string where = Show(entry.positionText) + " : " + Show(entry.valueText);
        const std::size_t text = entry.positionText.size() + (entry.valueText.empty() ? 0 : 1 + entry.valueText.size());
        FUZZ_REQUIRE(text <= kEntryTextBytes, where);
        FUZZ_REQUIRE(entry.positionText.find(':') == std::string::npos, where);
        FUZZ_REQUIRE(entry.positionText.find_first_of(std::string_view("\n\0", 2)) == std::string::npos, where);
        FUZZ_REQUIRE(entry.valueText.find_first_of(std::string_view("\n\0", 2)) == std::string::npos, where);
        FUZZ_REQUIRE(ReadPositionNumber(entry.positionText) == StrtolPosition(entry.positionText), where);
    }

    // The outcome, decided again from the labels and entries.
    auto position = [&](std::size_t entry) {
        return entry < file.entries.size() ? ReadPositionNumber(file.entries[entry].positionText) : 0;
    };
    ContentsOutcome expected = ContentsOutcome::ContentsOk;
    if (static_cast<std::int64_t>(file.labels.size()) != params.requiredRows)
        expected = ContentsOutcome::WrongRowCount;
    else if (position(0) < kLowestAreaPosition)
        expected = ContentsOutcome::BadSwitchPosition;
    else if (position(2) < kLowestAreaPosition)
        expected = ContentsOutcome::BadSliderPosition;
    FUZZ_REQUIRE(result.outcome == expected, "outcome " + std::to_string(static_cast<int>(result.outcome)) +
                                                 " instead of " + std::to_string(static_cast<int>(expected)));
    if (result.outcome == ContentsOutcome::ContentsOk) {
        FUZZ_REQUIRE(static_cast<std::int64_t>(file.labels.size()) == params.requiredRows, "");
        FUZZ_REQUIRE(file.switchPosition == position(0) && file.switchPosition >= kLowestAreaPosition, "");
        FUZZ_REQUIRE(file.sliderPosition == position(2) && file.sliderPosition >= kLowestAreaPosition, "");
        FUZZ_REQUIRE(file.versionPosition == position(1), "");
        FUZZ_REQUIRE(file.expectedVersion == (file.entries.size() > 1 ? file.entries[1].valueText : ""), "");
    }
}

template <typename T>
bool StartsWith(const std::vector<T>& whole, const std::vector<T>& part) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

}  // namespace
}  // namespace murn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace murn;
    using namespace murn::fuzz;
    const std::span<const std::uint8_t> bytes(data, size);

    const Reading main = Read(bytes, kMain);
    const Reading mods = Read(bytes, kMods);
    FUZZ_REQUIRE(!main.injected && main.result.outcome != ContentsOutcome::ContentsMissing, "");
    CheckPromises(bytes, main.result, kMain);
    CheckPromises(bytes, mods.result, kMods);
    // Both pages take the same pieces until the mods page stops earlier.
    FUZZ_REQUIRE(StartsWith(main.result.file.labels, mods.result.file.labels), "");
    std::vector<std::string> mainEntries, modsEntries;
    for (const auto& e : main.result.file.entries) mainEntries.push_back(e.positionText + ':' + e.valueText);
    for (const auto& e : mods.result.file.entries) modsEntries.push_back(e.positionText + ':' + e.valueText);
    FUZZ_REQUIRE(StartsWith(mainEntries, modsEntries), "");

    // Small reads put the block edges anywhere, a carriage return among them.
    const std::size_t readLimit = size == 0 ? 1 : 1 + data[0] % 13;
    FUZZ_REQUIRE(SameResult(Read(bytes, kMain, readLimit).result, main.result),
                 "reads of " + std::to_string(readLimit) + " bytes give another result");

    // Without carriage returns of its own, the file reads the same with CR LF line ends.
    if (std::find(data, data + size, '\r') == data + size) {
        std::vector<std::uint8_t> crlf;
        for (const std::uint8_t byte : bytes) {
            if (byte == '\n') crlf.push_back('\r');
            crlf.push_back(byte);
        }
        FUZZ_REQUIRE(SameResult(Read(crlf, kMain).result, main.result), "CR LF line ends give another result");
    }

    // A failed open or read is a missing file, never half of one; a failed
    // close after a complete read loses nothing.
    for (const bool sticky : {false, true}) {
        for (int failAt = 1; failAt <= static_cast<int>(main.log.size()); ++failAt) {
            const Reading faulty = Read(bytes, kMain, 0, failAt, sticky);
            const MemoryOp failed = faulty.log[static_cast<std::size_t>(failAt - 1)];
            const std::string where = "fault at operation " + std::to_string(failAt);
            if (failed == MemoryOp::Close)
                FUZZ_REQUIRE(SameResult(faulty.result, main.result), where);
            else
                FUZZ_REQUIRE(faulty.result.outcome == ContentsOutcome::ContentsMissing, where);
        }
    }

    // The number reader against the C library's, on the raw bytes.
    const std::string raw(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 64));
    FUZZ_REQUIRE(ReadPositionNumber(std::string_view(raw.c_str())) == StrtolPosition(raw), Show(raw));
    return 0;
}
