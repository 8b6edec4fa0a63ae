#include "contents_file.h"

#include <algorithm>
#include <array>
#include <limits>

namespace murn {
namespace {

// Reads a contents file as the C runtime's text mode does on Windows: a
// carriage return directly before a line feed is dropped, a lone one is kept,
// and byte 0x1A ends the file. The same rules hold on every platform.
class TextModeReader {
public:
    explicit TextModeReader(File& file) : file_(file) {}

    bool Failed() const { return failed_; }

    // The next piece of a line: the bytes up to and including the next line
    // feed, but never more than kPieceBytes. False when not a byte is left.
    bool ReadPiece(std::string& piece) {
        piece.clear();
        int c = 0;
        while (piece.size() < kPieceBytes && (c = NextByte()) >= 0) {
            piece.push_back(static_cast<char>(c));
            if (c == '\n') break;
        }
        return !piece.empty();
    }

private:
    static constexpr int kEnd = -1;

    int NextByte() {
        const int c = RawByte();
        if (c != '\r') return c;
        const int next = RawByte();
        if (next == '\n') return '\n';
        if (next != kEnd) --pos_;  // not a line feed: read it again next time
        return c;
    }

    int RawByte() {
        if (ended_) return kEnd;
        if (pos_ == size_) {
            // Keep the last byte in front so that one byte can be given back.
            if (size_ > 0) {
                buffer_[0] = buffer_[size_ - 1];
                pos_ = size_ = 1;
            }
            bool readFailed = false;
            const std::size_t got = file_.Read(buffer_.data() + size_, buffer_.size() - size_, readFailed);
            if (readFailed) failed_ = true;
            if (got == 0) {
                ended_ = true;
                return kEnd;
            }
            size_ += got;
        }
        const auto c = static_cast<unsigned char>(buffer_[pos_++]);
        if (c == 0x1A) {
            ended_ = true;
            return kEnd;
        }
        return c;
    }

    File& file_;
    std::array<char, 4096> buffer_{};
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

// The text of a piece as a C string would hold it: up to its first zero byte.
std::string_view AsCString(const std::string& piece) {
    return std::string_view(piece.c_str());
}

std::string_view CutAt(std::string_view text, char c) {
    const std::size_t at = text.find(c);
    return at == std::string_view::npos ? text : text.substr(0, at);
}

ContentsEntry MakeEntry(std::string_view line) {
    std::string_view text = CutAt(line, '\n').substr(1);  // after the leading ':'
    if (text.size() > kEntryTextBytes) text = text.substr(0, kEntryTextBytes);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return {std::string(text), {}};
    return {std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

std::string MakeLabel(std::string_view line, std::size_t labelCount) {
    // Rows 18 and above may have longer labels than the rows before them.
    const std::size_t limit = labelCount < 18 ? 27 : 31;
    std::string_view text = line.substr(0, std::min(line.size(), limit));
    text = CutAt(CutAt(text, '\n'), '/');
    // Trailing spaces go, but the first two characters always stay.
    std::size_t last = text.size() - 1;
    while (text[last] == ' ' && last > 1) --last;
    return std::string(text.substr(0, last + 1));
}

enum class LineKind { Entry, Label, Ignored };

// The first byte of a piece decides what it is.
LineKind KindOf(unsigned char first) {
    if (first == ':') return LineKind::Entry;
    if (first >= 0x20 && first <= 0x60 && first != '/') return LineKind::Label;
    return LineKind::Ignored;
}

// A missing entry reads as an empty position text and an empty value text.
const ContentsEntry kMissingEntry{};

const ContentsEntry& EntryOrEmpty(const ContentsFile& file, std::size_t index) {
    return index < file.entries.size() ? file.entries[index] : kMissingEntry;
}

}  // namespace

std::int32_t ReadPositionNumber(std::string_view text) {
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate towards the sign so that -2147483648 itself is exact.
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = negative ? value * 10 - digit : value * 10 + digit;
        if (value > kMax) return static_cast<std::int32_t>(kMax);
        if (value < kMin) return static_cast<std::int32_t>(kMin);
    }
    return static_cast<std::int32_t>(value);
}

ContentsResult ReadContentsFile(const std::string& fileName, std::int32_t requiredRows,
                                std::int32_t stopAboveRows, FileSystem& files) {
    ContentsResult result;
    std::unique_ptr<File> file = files.Open(fileName, OpenMode::ReadOnly);
    if (!file) {
        result.outcome = ContentsOutcome::ContentsMissing;
        return result;
    }

    ContentsFile& contents = result.file;
    TextModeReader reader(*file);
    std::string piece;
    while (reader.ReadPiece(piece)) {
        const std::string_view line = AsCString(piece);
        const LineKind kind = KindOf(static_cast<unsigned char>(line.empty() ? 0 : line[0]));
        if (kind == LineKind::Entry) {
            // Entries beyond the tenth have no place to go and are dropped.
            if (contents.entries.size() < kMaxEntries) contents.entries.push_back(MakeEntry(line));
        } else if (kind == LineKind::Label) {
            std::string label = MakeLabel(line, contents.labels.size());
            if (label == "-2") break;  // the end marker
            if (static_cast<std::int64_t>(contents.labels.size()) > stopAboveRows) break;
            contents.labels.push_back(std::move(label));
        }
        // Any other line is a comment or blank and is skipped.
    }
    const bool readFailed = reader.Failed();
    file->Close();
    file.reset();

    // A file that could not be read to its end is as good as one that cannot
    // be opened: half of it must not pass for the whole.
    if (readFailed) {
        result.outcome = ContentsOutcome::ContentsMissing;
        return result;
    }
    if (static_cast<std::int64_t>(contents.labels.size()) != requiredRows) {
        result.outcome = ContentsOutcome::WrongRowCount;
        return result;
    }
    contents.switchPosition = ReadPositionNumber(EntryOrEmpty(contents, 0).positionText);
    contents.versionPosition = ReadPositionNumber(EntryOrEmpty(contents, 1).positionText);
    contents.expectedVersion = EntryOrEmpty(contents, 1).valueText;
    contents.sliderPosition = ReadPositionNumber(EntryOrEmpty(contents, 2).positionText);
    if (contents.switchPosition < kLowestAreaPosition) {
        result.outcome = ContentsOutcome::BadSwitchPosition;
    } else if (contents.sliderPosition < kLowestAreaPosition) {
        result.outcome = ContentsOutcome::BadSliderPosition;
    } else {
        result.outcome = ContentsOutcome::ContentsOk;
    }
    return result;
}

}  // namespace murn
