#include "contents_file.h"

#include <climits>
#include <filesystem>

#include <gtest/gtest.h>

#include "test_support.h"

namespace murn::test {
namespace {

const std::vector<std::string> kEntries = {":1000100", ":1000200:v1.6B", ":1000300"};

std::vector<std::string> Plus(std::vector<std::string> labels, const std::vector<std::string>& more) {
    labels.insert(labels.end(), more.begin(), more.end());
    return labels;
}

struct ReadCase {
    const char* name;
    std::string text;
    int requiredRows;
    int stopAboveRows;
    ContentsOutcome outcome;
    std::size_t labelCount;  // labels read, whatever the outcome
};

class ContentsReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ContentsReadTest, OutcomeAndLabelCount) {
    const ReadCase& c = GetParam();
    TempFolder folder;
    folder.Write("c.txt", c.text);
    StdioFileSystem files(folder.Path());
    const ContentsResult result = ReadContentsFile("c.txt", c.requiredRows, c.stopAboveRows, files);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.file.labels.size(), c.labelCount);
}

const auto kMain = ContentsOutcome::ContentsOk;

INSTANTIATE_TEST_SUITE_P(
    Cases, ContentsReadTest,
    ::testing::Values(
        // Reading ends at the marker, so the entries stand before it here.
        ReadCase{"main_22_with_end_marker", ContentsText(kEntries, {}) + ContentsText(Plus(RowLabels(22), {"-2", "AFTER"}), {}), 22, 22, kMain, 22},
        ReadCase{"main_22_without_marker", ContentsText(RowLabels(22), kEntries), 22, 22, kMain, 22},
        ReadCase{"main_last_line_without_line_feed",
                 ContentsText(RowLabels(22), {":1000100", ":0"}) + ":1000300", 22, 22, kMain, 22},
        ReadCase{"main_last_label_without_line_feed",
                 ContentsText({}, kEntries) + ContentsText(RowLabels(21), {}) + "Last", 22, 22, kMain, 22},
        ReadCase{"main_21_then_marker", ContentsText(Plus(RowLabels(21), {"-2", "X"}), kEntries), 22, 22, ContentsOutcome::WrongRowCount, 21},
        ReadCase{"main_23", ContentsText(RowLabels(23), kEntries), 22, 22, ContentsOutcome::WrongRowCount, 23},
        ReadCase{"main_30_stops_at_24th", ContentsText(RowLabels(30), kEntries), 22, 22, ContentsOutcome::WrongRowCount, 23},
        ReadCase{"mods_13", ContentsText(RowLabels(13), kEntries), 13, 12, kMain, 13},
        ReadCase{"mods_20_keeps_13", ContentsText(kEntries, {}) + ContentsText(RowLabels(20), {}), 13, 12, kMain, 13},
        ReadCase{"mods_12", ContentsText(RowLabels(12), kEntries), 13, 12, ContentsOutcome::WrongRowCount, 12},
        // Nothing after the 14th label line is read, not even an entry line.
        ReadCase{"mods_entry_after_14th_label_unread",
                 ContentsText(Plus(RowLabels(14), {":1000100", ":0", ":1000300"}), {}), 13, 12, ContentsOutcome::BadSwitchPosition, 13},
        ReadCase{"mods_entries_between_13th_and_14th",
                 ContentsText(Plus(Plus(RowLabels(13), {":1000100", ":0", ":1000300"}), {"Row 13"}), {}), 13, 12, kMain, 13},
        ReadCase{"empty_file", "", 22, 22, ContentsOutcome::WrongRowCount, 0},
        ReadCase{"ignored_lines_change_no_count",
                 ContentsText(Plus(RowLabels(22), {"/ comment", "lower case", "{brace", "~tilde", "\ttab", "\x80high", "\xFFhigh", ""}), kEntries),
                 22, 22, kMain, 22},
        ReadCase{"labels_begin_with_space_digit_hash_at_underscore_backquote",
                 ContentsText(Plus(RowLabels(16), {" space", "7seven", "#hash", "@at", "_under", "`back"}), kEntries), 22, 22, kMain, 22},
        ReadCase{"switch_position_999999", ContentsText(RowLabels(22), {":999999", ":0", ":1000300"}), 22, 22, ContentsOutcome::BadSwitchPosition, 22},
        ReadCase{"switch_position_1000000", ContentsText(RowLabels(22), {":1000000", ":0", ":1000000"}), 22, 22, kMain, 22},
        ReadCase{"switch_position_text", ContentsText(RowLabels(22), {":abc", ":0", ":1000300"}), 22, 22, ContentsOutcome::BadSwitchPosition, 22},
        ReadCase{"switch_position_hex", ContentsText(RowLabels(22), {":0x100000", ":0", ":1000300"}), 22, 22, ContentsOutcome::BadSwitchPosition, 22},
        ReadCase{"switch_position_negative", ContentsText(RowLabels(22), {":-1000100", ":0", ":1000300"}), 22, 22, ContentsOutcome::BadSwitchPosition, 22},
        ReadCase{"switch_position_huge_is_valid", ContentsText(RowLabels(22), {":99999999999999", ":0", ":1000300"}), 22, 22, kMain, 22},
        ReadCase{"slider_position_999999", ContentsText(RowLabels(22), {":1000100", ":0", ":999999"}), 22, 22, ContentsOutcome::BadSliderPosition, 22},
        ReadCase{"slider_entry_missing", ContentsText(RowLabels(22), {":1000100", ":0"}), 22, 22, ContentsOutcome::BadSliderPosition, 22},
        ReadCase{"no_entries", ContentsText(RowLabels(22), {}), 22, 22, ContentsOutcome::BadSwitchPosition, 22},
        // The row count is judged before the positions.
        ReadCase{"row_count_before_positions", ContentsText(RowLabels(21), {":1", ":0", ":2"}), 22, 22, ContentsOutcome::WrongRowCount, 21},
        ReadCase{"crlf_line_ends", "A\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG\r\nH\r\nI\r\nJ\r\nK\r\nL\r\nM\r\n:1000100\r\n:0\r\n:1000300\r\n",
                 13, 12, kMain, 13},
        ReadCase{"ctrl_z_ends_file", ContentsText(RowLabels(13), kEntries) + "\x1A" + ContentsText(RowLabels(5), {}), 22, 22, ContentsOutcome::WrongRowCount, 13},
        // 100 letters are two pieces: the first 27 letters, then the piece from the 80th on.
        ReadCase{"label_of_100_letters_counts_twice", ContentsText(Plus(RowLabels(20), {std::string(100, 'A')}), kEntries), 22, 22, kMain, 22},
        // 79 letters are one piece; the line feed after them is an empty piece of its own.
        ReadCase{"label_of_79_letters_counts_once", ContentsText(Plus(RowLabels(21), {std::string(79, 'A')}), kEntries), 22, 22, kMain, 22},
        ReadCase{"long_comment_whose_80th_byte_is_a_letter", ContentsText(Plus(RowLabels(21), {"/" + std::string(78, 'x') + "Label"}), kEntries), 22, 22, kMain, 22},
        ReadCase{"long_comment_whose_80th_byte_is_lower_case", ContentsText(Plus(RowLabels(22), {"/" + std::string(78, 'x') + "label"}), kEntries), 22, 22, kMain, 22},
        ReadCase{"eleven_entries_keep_the_first_ten",
                 ContentsText(RowLabels(22), {":1000100", ":0", ":1000300", ":3", ":4", ":5", ":6", ":7", ":8", ":9", ":10", ":11"}), 22, 22, kMain, 22}),
    [](const ::testing::TestParamInfo<ReadCase>& param) { return std::string(param.param.name); });

TEST(ContentsFile, MissingFile) {
    TempFolder folder;
    StdioFileSystem files(folder.Path());
    EXPECT_EQ(ReadContentsFile("MURNcontents.txt", 22, 22, files).outcome, ContentsOutcome::ContentsMissing);
}

ContentsFile ReadMain(const std::string& text) {
    TempFolder folder;
    folder.Write("c.txt", text);
    StdioFileSystem files(folder.Path());
    return ReadContentsFile("c.txt", 22, 22, files).file;
}

struct LabelCase {
    const char* line;
    int row;  // where the line stands; rows before it are plain labels
    const char* label;
};

TEST(ContentsFile, LabelCuts) {
    const LabelCase cases[] = {
        {"On/Off", 0, "On"},
        {"Realistic sensors    / the patch's own", 0, "Realistic sensors"},
        {"A  ", 0, "A "},
        {"A   ", 0, "A "},
        {"AB   ", 0, "AB"},
        {"     ", 0, "  "},
        {" ", 0, " "},
        {" leading space", 0, " leading space"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", 17, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ12", 18, "ABCDEFGHIJKLMNOPQRSTUVWXYZ12"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ123456", 18, "ABCDEFGHIJKLMNOPQRSTUVWXYZ12345"},
        // Spaces just before the cut are trailing spaces; a slash after it does nothing.
        {"ABCDEFGHIJKLMNOPQRSTUVWXY    /x", 0, "ABCDEFGHIJKLMNOPQRSTUVWXY"},
        {"-22", 0, "-22"},
        {" -2", 0, " -2"},
        {"-2x", 0, "-2x"},
        {"-2\t", 0, "-2\t"},
    };
    for (const LabelCase& c : cases) {
        std::vector<std::string> labels = RowLabels(c.row);
        labels.push_back(c.line);
        const ContentsFile file = ReadMain(ContentsText(labels, kEntries));
        ASSERT_GT(file.labels.size(), static_cast<std::size_t>(c.row)) << c.line;
        EXPECT_EQ(file.labels[static_cast<std::size_t>(c.row)], c.label) << c.line;
    }
}

TEST(ContentsFile, EndMarkerForms) {
    for (const char* marker : {"-2", "-2   ", "-2 / end of rows", "-2/"}) {
        const ContentsFile file = ReadMain(ContentsText(Plus(RowLabels(3), {marker, "After"}), kEntries));
        EXPECT_EQ(file.labels.size(), 3u) << marker;
    }
}

TEST(ContentsFile, LongLineSplitsIntoPieces) {
    // 79 bytes make a piece; the rest of the line is judged as a line of its own.
    const ContentsFile file = ReadMain(ContentsText(
        Plus(Plus(RowLabels(3), {std::string(79, 'B') + std::string(21, 'C')}), RowLabels(17)), kEntries));
    ASSERT_EQ(file.labels.size(), 22u);
    EXPECT_EQ(file.labels[3], std::string(27, 'B'));
    EXPECT_EQ(file.labels[4], std::string(21, 'C'));
}

TEST(ContentsFile, EntryTexts) {
    struct EntryCase {
        const char* line;
        const char* position;
        const char* value;
    };
    const EntryCase cases[] = {
        {":1000100", "1000100", ""},
        {":1000200:v1.6B", "1000200", "v1.6B"},
        {":1:a:b:c", "1", "a:b:c"},
        {":", "", ""},
        {": 1000200 : v1.6B ", " 1000200 ", " v1.6B "},
        {":1000300 // slider block", "1000300 // slider block", ""},
        {":1000200:v1.6B // comment", "1000200", "v1.6B // comment"},
        {":12345678901234567890123456789012345678901234567890XYZ", "12345678901234567890123456789012345678901234567890X", ""},
        {":1:2345678901234567890123456789012345678901234567890XYZ", "1", "2345678901234567890123456789012345678901234567890"},
    };
    for (const EntryCase& c : cases) {
        const ContentsFile file = ReadMain(ContentsText(RowLabels(22), {c.line}));
        ASSERT_EQ(file.entries.size(), 1u) << c.line;
        EXPECT_EQ(file.entries[0].positionText, c.position) << c.line;
        EXPECT_EQ(file.entries[0].valueText, c.value) << c.line;
    }
}

TEST(ContentsFile, PositionsAndVersionComeFromEntriesZeroOneTwo) {
    TempFolder folder;
    folder.Write("c.txt", ContentsText(RowLabels(22), {":1000100", ":  1000001 junk:V1.6b", ":2147483647", ":5"}));
    StdioFileSystem files(folder.Path());
    const ContentsResult result = ReadContentsFile("c.txt", 22, 22, files);
    ASSERT_EQ(result.outcome, ContentsOutcome::ContentsOk);
    EXPECT_EQ(result.file.switchPosition, 1000100);
    EXPECT_EQ(result.file.versionPosition, 1000001);
    EXPECT_EQ(result.file.expectedVersion, "V1.6b");
    EXPECT_EQ(result.file.sliderPosition, 2147483647);
    EXPECT_EQ(result.file.entries.size(), 4u);
}

TEST(ContentsFile, TextModeLineEnds) {
    // A lone carriage return stays in the text; one before a line feed goes.
    const ContentsFile file = ReadMain("A\rB\r\n" + ContentsText(RowLabels(21), {":1000100\r", ":1000300", ":0:v1\rx"}));
    ASSERT_EQ(file.labels.size(), 22u);
    EXPECT_EQ(file.labels[0], "A\rB");
    EXPECT_EQ(file.entries[2].valueText, "v1\rx");
    const ContentsFile crlf = ReadMain("A\r\n:1000100\r\n:0:v1.6B\r\n");
    ASSERT_EQ(crlf.entries.size(), 2u);
    EXPECT_EQ(crlf.entries[1].valueText, "v1.6B");
}

TEST(ContentsFile, OddBytes) {
    // A carriage return at the very end of the file has no line feed to go with: it stays.
    ContentsFile file = ReadMain(ContentsText(kEntries, RowLabels(21)) + "Last\r");
    ASSERT_EQ(file.labels.size(), 22u);
    EXPECT_EQ(file.labels[21], "Last\r");
    // A line that begins with a zero byte is empty as far as its text goes.
    file = ReadMain(ContentsText(kEntries, RowLabels(22)) + std::string("\0ABC\n", 5));
    EXPECT_EQ(file.labels.size(), 22u);
    // A control byte is no white space before a number.
    EXPECT_EQ(ReadPositionNumber("\x01" "1000000"), 0);
}

TEST(ContentsFile, UnreadableFileIsMissing) {
    // A folder opens for reading on Linux, but every read of it fails.
    TempFolder folder;
    std::filesystem::create_directory(folder.Path() + "/MURNcontents.txt");
    StdioFileSystem files(folder.Path());
    EXPECT_EQ(ReadContentsFile("MURNcontents.txt", 22, 22, files).outcome, ContentsOutcome::ContentsMissing);
}

TEST(ContentsFile, ElevenEntriesKeepTen) {
    std::vector<std::string> entries;
    for (int i = 0; i < 12; ++i) entries.push_back(":" + std::to_string(1000000 + i));
    const ContentsFile file = ReadMain(ContentsText(RowLabels(22), entries));
    ASSERT_EQ(file.entries.size(), 10u);
    EXPECT_EQ(file.entries[9].positionText, "1000009");
}

TEST(ContentsFile, PositionNumbers) {
    struct NumberCase {
        const char* text;
        std::int32_t value;
    };
    const NumberCase cases[] = {
        {"1000000", 1000000},
        {"  \t\n\v\f\r1000001xyz", 1000001},
        {"+42", 42},
        {"-42", -42},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"1e6", 1},
        {"0x10", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999999", 2147483647},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"-99999999999999999999999", INT32_MIN},
    };
    for (const NumberCase& c : cases) EXPECT_EQ(ReadPositionNumber(c.text), c.value) << c.text;
}

TEST(ContentsFile, OverlongEntryLineLeavesItsTailAsALine) {
    // 79 bytes make the entry, whose text is then cut to 51 characters; the
    // rest of the line is a piece of its own, judged by its first byte.
    struct TailCase {
        std::string tail;
        std::size_t labels;
    };
    const TailCase cases[] = {{"Tail", 22}, {"tail", 21}, {":1000300", 21}};
    for (const TailCase& c : cases) {
        const std::string entry = ":" + std::string(78, '9') + c.tail;
        const ContentsFile file = ReadMain(ContentsText(RowLabels(21), {entry, ":0", ":1000300"}));
        ASSERT_EQ(file.labels.size(), c.labels) << c.tail;
        if (c.labels == 22) {
            EXPECT_EQ(file.labels[21], c.tail);
        }
        ASSERT_GE(file.entries.size(), 3u) << c.tail;
        EXPECT_EQ(file.entries[0].positionText, std::string(kEntryTextBytes, '9')) << c.tail;
        // Fifty-one nines are far beyond the range: the largest position.
        EXPECT_EQ(ReadPositionNumber(file.entries[0].positionText), INT32_MAX) << c.tail;
        EXPECT_EQ(file.entries.size(), c.tail[0] == ':' ? 4u : 3u) << c.tail;
    }
}

TEST(ContentsFile, CarriageReturnAtTheEndOfAReadBlock) {
    // The file is read in blocks of 4096 bytes; a carriage return that is the
    // last byte of a block must still meet the byte after it.
    struct BoundaryCase {
        const char* after;  // what follows the carriage return
        const char* label;
        std::size_t labels;
    };
    const BoundaryCase cases[] = {
        {"\n", "Split", 22},
        {"X\n", "Split\rX", 22},
        {"\r\n", "Split\r", 22},
        {"\x1A" "More\n", "Split\r", 22},
        {"", "Split\r", 22},
    };
    for (const BoundaryCase& c : cases) {
        std::string text = ContentsText(RowLabels(21), kEntries);
        const std::size_t fill = 4096 - text.size() - std::string("Split\r").size();
        text += "/" + std::string(fill - 2, 'c') + "\n";  // a comment up to the right place
        text += std::string("Split\r") + c.after;
        ASSERT_EQ(text.find("Split") + 5, 4095u);
        const ContentsFile file = ReadMain(text);
        ASSERT_EQ(file.labels.size(), c.labels) << c.label;
        EXPECT_EQ(file.labels[21], c.label);
    }
}

}  // namespace
}  // namespace murn::test
