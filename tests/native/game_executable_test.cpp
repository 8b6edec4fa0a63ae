#include "game_executable.h"

#include <climits>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "test_support.h"

namespace murn::test {
namespace {

constexpr std::int32_t kSwitches = 1000100;
constexpr std::int32_t kSliders = 1000200;
constexpr std::int32_t kVersion = 1000300;
constexpr std::size_t kLength = 1100000;

PatchAreaLayout MainLayout(std::int32_t versionPosition = kVersion) {
    return {22, kSwitches, kSliders, versionPosition, true};
}

PatchAreaLayout ModsLayout() { return {13, kSwitches, kSliders, 0, false}; }

ExeImage PatchedImage(std::size_t length = kLength) {
    ExeImage image(length);
    image.Put(kLargeAddressOffset, {kLargeAddressClear})
        .Fill(kSwitches, 22, 0xFF)
        .PutFloat(kSliders, 2.5f)
        .PutFloat(kSliders + 4, 1.0f)
        .PutText(kVersion, "v1.6B");
    return image;
}

class GameExecutableTest : public ::testing::Test {
protected:
    ExeReadResult Read(const ExeImage& image, const PatchAreaLayout& layout) {
        folder.Write("SH3.exe", image.bytes());
        return GameExecutable(files).ReadPatchAreas(layout);
    }

    TempFolder folder;
    StdioFileSystem files{folder.Path()};
};

TEST_F(GameExecutableTest, ReadsEveryAreaOfTheMainPage) {
    ExeImage image = PatchedImage();
    image.Put(kSwitches, {0x00, 0x01, 0xFF}).Put(kLargeAddressOffset, {kLargeAddressSet});
    const ExeReadResult result = Read(image, MainLayout());
    ASSERT_EQ(result.outcome, ExeOutcome::ExeOk);
    ASSERT_EQ(result.values.switchBytes.size(), 22u);
    EXPECT_EQ(result.values.switchBytes[0], 0x00);
    EXPECT_EQ(result.values.switchBytes[1], 0x01);
    EXPECT_EQ(result.values.switchBytes[21], 0xFF);
    EXPECT_TRUE(result.values.largeAddressAware);
    EXPECT_EQ(result.values.sliderValues[0], 2.5f);
    EXPECT_EQ(result.values.sliderValues[1], 1.0f);
    EXPECT_EQ(result.values.versionText, "v1.6B");
}

TEST_F(GameExecutableTest, LengthChecksOnTheMainPageOnly) {
    struct LengthCase {
        std::size_t length;
        ExeOutcome main;
    };
    const LengthCase cases[] = {
        {static_cast<std::size_t>(kUnpatchedLength), ExeOutcome::ExeUnpatched},
        {kSwitches - 1, ExeOutcome::ExeLacksSwitches},
        {kSwitches, ExeOutcome::ExeOk},
        {0, ExeOutcome::ExeLacksSwitches},
    };
    for (const LengthCase& c : cases) {
        ExeImage image(c.length);
        if (c.length > kSwitches + 22) image.Fill(kSwitches, 13, 0xFF);
        EXPECT_EQ(Read(image, MainLayout()).outcome, c.main) << c.length;
        // The mods page looks at no length: it reads what is there.
        const ExeReadResult mods = Read(image, ModsLayout());
        EXPECT_EQ(mods.outcome, ExeOutcome::ExeOk) << c.length;
        EXPECT_EQ(mods.values.switchBytes.size(), 13u);
    }
}

TEST_F(GameExecutableTest, UnpatchedLengthWinsOverAValidSwitchBlock) {
    ExeImage image(static_cast<std::size_t>(kUnpatchedLength));
    image.Fill(kSwitches, 22, 0xFF);
    EXPECT_EQ(Read(image, MainLayout()).outcome, ExeOutcome::ExeUnpatched);
    const ExeReadResult mods = Read(image, ModsLayout());
    ASSERT_EQ(mods.outcome, ExeOutcome::ExeOk);
    EXPECT_EQ(mods.values.switchBytes[12], 0xFF);
}

TEST_F(GameExecutableTest, MissingFileCannotBeOpened) {
    EXPECT_EQ(GameExecutable(files).ReadPatchAreas(MainLayout()).outcome, ExeOutcome::ExeCannotOpen);
    EXPECT_EQ(GameExecutable(files).ReadPatchAreas(ModsLayout()).outcome, ExeOutcome::ExeCannotOpen);
    PatchAreaValues values;
    values.switchBytes.assign(22, 0xFF);
    EXPECT_EQ(GameExecutable(files).WritePatchAreas(MainLayout(), values), ExeOutcome::ExeCannotOpen);
}

TEST_F(GameExecutableTest, OnlyByte0x2FIsLargeAddressAware) {
    const std::pair<std::uint8_t, bool> cases[] = {
        {0x2F, true}, {0x0F, false}, {0x2E, false}, {0x00, false}, {0xFF, false}};
    for (const auto& [byte, aware] : cases) {
        ExeImage image = PatchedImage();
        image.Put(kLargeAddressOffset, {byte});
        EXPECT_EQ(Read(image, MainLayout()).values.largeAddressAware, aware) << int{byte};
    }
}

TEST_F(GameExecutableTest, VersionText) {
    struct VersionCase {
        const char* name;
        std::int32_t position;
        std::string bytes;  // at the version position; the image is zero elsewhere
        std::string text;
        const char* display;
    };
    const VersionCase cases[] = {
        {"v_digits_letter", kVersion, std::string("v1.6B\0\0\0\0", 9), "v1.6B", "v1.6B"},
        {"capital_v", kVersion, "V2.0", "V2.0", "V2.0"},
        {"lone_v", kVersion, "v", "v", "v"},
        {"digit_first", kVersion, "1.6", "1.6", "Unknown"},
        {"blank_before_v", kVersion, " v1.6", " v1.6", "Unknown"},
        {"nine_bytes_without_zero", kVersion, "v12345678XYZ", "v12345678", "v12345678"},
        {"line_feed_ends_after_four", kVersion, "v1.6\nABCD", "v1.6\n", "v1.6\n"},
        {"position_1000000_reads_none", 1000000, "v1.6B", "", "Unknown"},
        {"position_1000001_reads", 1000001, "v1.6B", "v1.6B", "v1.6B"},
        {"position_negative_reads_none", -5, "", "", "Unknown"},
        {"position_past_the_end", static_cast<std::int32_t>(kLength) + 10, "", "", "Unknown"},
        {"position_at_max", std::numeric_limits<std::int32_t>::max(), "", "", "Unknown"},
    };
    for (const VersionCase& c : cases) {
        ExeImage image = PatchedImage();
        image.Fill(kVersion, 9, 0);
        if (!c.bytes.empty()) image.PutText(static_cast<std::size_t>(c.position), c.bytes);
        const ExeReadResult result = Read(image, MainLayout(c.position));
        ASSERT_EQ(result.outcome, ExeOutcome::ExeOk) << c.name;
        EXPECT_EQ(result.values.versionText, c.text) << c.name;
        EXPECT_EQ(VersionDisplayText(result.values.versionText), c.display) << c.name;
    }
}

TEST_F(GameExecutableTest, VersionTextCutByTheEndOfTheFile) {
    // The file ends inside the version text, without a zero byte: the text
    // is what is there, from nothing up to all nine bytes.
    const std::string kText = "v1.6Bxyzw";
    for (std::size_t left = 0; left <= kVersionTextBytes; ++left) {
        ExeImage image(kVersion + left);
        image.Fill(kSwitches, 22, 0xFF).PutText(kVersion, kText.substr(0, left));
        const ExeReadResult result = Read(image, MainLayout());
        ASSERT_EQ(result.outcome, ExeOutcome::ExeOk) << left;
        EXPECT_EQ(result.values.versionText, kText.substr(0, left)) << left;
    }
}

TEST_F(GameExecutableTest, PositionsAtTheEndsOfTheRangeReadNothing) {
    // Positions that no contents file lets through, handed in directly: the
    // blocks read as missing, and nothing is read before the start or past
    // the end of the file.
    struct EdgeCase {
        const char* name;
        PatchAreaLayout layout;
        ExeOutcome outcome;
        bool switchesRead;  // else all zero
        bool slidersRead;   // else both 0.0
    };
    const std::int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    const EdgeCase cases[] = {
        {"mods_switches_at_min", {13, kMin, kSliders, 0, false}, ExeOutcome::ExeOk, false, true},
        {"mods_switches_at_max", {13, kMax, kSliders, 0, false}, ExeOutcome::ExeOk, false, true},
        {"mods_sliders_at_min", {13, kSwitches, kMin, 0, false}, ExeOutcome::ExeOk, true, false},
        {"mods_sliders_at_max", {13, kSwitches, kMax, 0, false}, ExeOutcome::ExeOk, true, false},
        {"main_switches_at_min", {22, kMin, kSliders, kVersion, true}, ExeOutcome::ExeOk, false, true},
        {"main_switches_at_max", {22, kMax, kSliders, kVersion, true}, ExeOutcome::ExeLacksSwitches, false, false},
        {"main_sliders_at_min", {22, kSwitches, kMin, kVersion, true}, ExeOutcome::ExeOk, true, false},
        {"main_sliders_just_below_zero", {22, kSwitches, -4, kVersion, true}, ExeOutcome::ExeOk, true, false},
    };
    for (const EdgeCase& c : cases) {
        ExeImage image = PatchedImage();
        image.Put(0, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F});
        const ExeReadResult result = Read(image, c.layout);
        ASSERT_EQ(result.outcome, c.outcome) << c.name;
        if (c.outcome != ExeOutcome::ExeOk) continue;
        const auto count = static_cast<std::size_t>(c.layout.switchCount);
        EXPECT_EQ(result.values.switchBytes, Bytes(count, c.switchesRead ? 0xFF : 0x00)) << c.name;
        EXPECT_EQ(result.values.sliderValues[0], c.slidersRead ? 2.5f : 0.0f) << c.name;
        EXPECT_EQ(result.values.sliderValues[1], c.slidersRead ? 1.0f : 0.0f) << c.name;
        if (c.layout.mainPageAreas) {
            EXPECT_EQ(result.values.versionText, "v1.6B") << c.name;
        }
    }
}

TEST_F(GameExecutableTest, SliderValuesAreRoundedAsRead) {
    const std::pair<float, float> cases[] = {
        {1.04f, 1.0f}, {2.45f, 2.5f}, {-1.0f, -0.9f}, {-0.1f, 0.0f}, {32.04f, 32.0f}};
    for (const auto& [stored, read] : cases) {
        ExeImage image = PatchedImage();
        image.PutFloat(kSliders, stored).PutFloat(kSliders + 4, stored);
        const ExeReadResult result = Read(image, ModsLayout());
        EXPECT_EQ(result.values.sliderValues[0], read) << stored;
        EXPECT_EQ(result.values.sliderValues[1], read) << stored;
    }
    ExeImage image = PatchedImage();
    image.Put(kSliders, {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20, 0x40});
    const ExeReadResult result = Read(image, MainLayout());
    EXPECT_EQ(result.values.sliderValues[0], 1.0f);
    EXPECT_EQ(result.values.sliderValues[1], 2.5f);
}

TEST_F(GameExecutableTest, NothingIsReadPastTheEnd) {
    // The switch block starts inside the file and runs past its end; the
    // slider block holds one whole value and half of the second.
    ExeImage image(kSwitches + 5);
    image.Fill(kSwitches, 5, 0xFF);
    PatchAreaLayout layout = MainLayout();
    layout.sliderPosition = kSwitches - 2;  // 00 00 FF FF | FF FF FF, then the end
    ExeReadResult result = Read(image, layout);
    ASSERT_EQ(result.outcome, ExeOutcome::ExeOk);
    EXPECT_EQ(result.values.switchBytes, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(result.values.sliderValues[0], RoundToOneDecimal(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(result.values.sliderValues[1], 0.0f);

    // Slider block wholly past the end, even at the largest position.
    for (std::int32_t position : {static_cast<std::int32_t>(kLength), std::numeric_limits<std::int32_t>::max()}) {
        layout = MainLayout();
        layout.sliderPosition = position;
        result = Read(PatchedImage(), layout);
        ASSERT_EQ(result.outcome, ExeOutcome::ExeOk);
        EXPECT_EQ(result.values.sliderValues[0], 0.0f);
        EXPECT_EQ(result.values.sliderValues[1], 0.0f);
    }
}

// Returns the offsets at which two images differ; both must be as long.
std::vector<std::size_t> Differences(const Bytes& before, const Bytes& after) {
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
        if (before[i] != after[i]) offsets.push_back(i);
    return offsets;
}

TEST_F(GameExecutableTest, WriteTouchesExactlyThePageAreas) {
    // Every area starts out different from what is written, so that each
    // written byte shows as a difference.
    ExeImage image(kLength);
    image.Fill(0, kLength, 0x5A);
    folder.Write("SH3.exe", image.bytes());

    PatchAreaValues values;
    values.switchBytes.assign(22, 0xFF);
    values.largeAddressAware = true;
    values.sliderValues = {32.0f, 2.5f};
    ASSERT_EQ(GameExecutable(files).WritePatchAreas(MainLayout(), values), ExeOutcome::ExeOk);
    const Bytes after = folder.Read("SH3.exe");
    ASSERT_EQ(after.size(), kLength);
    std::vector<std::size_t> expected = {static_cast<std::size_t>(kLargeAddressOffset)};
    for (std::size_t i = 0; i < 22; ++i) expected.push_back(kSwitches + i);
    for (std::size_t i = 0; i < 8; ++i) expected.push_back(kSliders + i);
    EXPECT_EQ(Differences(image.bytes(), after), expected);
    EXPECT_EQ(after[kLargeAddressOffset], kLargeAddressSet);
    EXPECT_EQ(Bytes(after.begin() + kSliders, after.begin() + kSliders + 8),
              Bytes({0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x20, 0x40}));

    // The mods page writes 13 switch bytes and the slider block, nothing in the header.
    folder.Write("SH3.exe", image.bytes());
    values.switchBytes.assign(13, 0x00);
    values.sliderValues = {256.0f, 1.0f};
    ASSERT_EQ(GameExecutable(files).WritePatchAreas(ModsLayout(), values), ExeOutcome::ExeOk);
    const Bytes mods = folder.Read("SH3.exe");
    expected.erase(expected.begin());
    expected.erase(expected.begin() + 13, expected.begin() + 22);
    EXPECT_EQ(Differences(image.bytes(), mods), expected);
    EXPECT_EQ(Bytes(mods.begin() + kSliders, mods.begin() + kSliders + 8),
              Bytes({0x00, 0x00, 0x80, 0x43, 0x00, 0x00, 0x80, 0x3F}));
}

TEST_F(GameExecutableTest, LargeAddressByteIsWrittenWhole) {
    for (const auto& [before, aware, after] : {std::tuple{0x2E, false, 0x0F}, std::tuple{0x00, true, 0x2F},
                                               std::tuple{0x2F, false, 0x0F}}) {
        ExeImage image = PatchedImage();
        image.Put(kLargeAddressOffset, {static_cast<std::uint8_t>(before)});
        folder.Write("SH3.exe", image.bytes());
        PatchAreaValues values;
        values.switchBytes.assign(22, 0xFF);
        values.largeAddressAware = aware;
        ASSERT_EQ(GameExecutable(files).WritePatchAreas(MainLayout(), values), ExeOutcome::ExeOk);
        EXPECT_EQ(folder.Read("SH3.exe")[kLargeAddressOffset], after);
    }
}

TEST_F(GameExecutableTest, AreasOutsideTheFileWriteNothing) {
    struct OutsideCase {
        const char* name;
        std::size_t length;
        PatchAreaLayout layout;
    };
    const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const OutsideCase cases[] = {
        {"switch_block_runs_past_end", kSwitches + 21, {22, kSwitches, 1000000, 0, true}},
        {"mods_switch_block_past_end", kSwitches + 12, {13, kSwitches, 1000000, 0, false}},
        {"slider_block_half_outside", kSliders + 7, {22, kSwitches, kSliders, 0, true}},
        {"slider_block_at_max_position", kLength, {22, kSwitches, kMax, 0, true}},
        {"switch_block_at_max_position", kLength, {13, kMax, kSliders, 0, false}},
        {"header_byte_outside_tiny_file", 200, {22, 1000000, 1000000, 0, true}},
        {"position_below_area_minimum", kLength, {22, 0, kSliders, 0, true}},
        {"negative_slider_position", kLength, {22, kSwitches, -8, 0, true}},
        {"slider_block_at_min_position", kLength, {22, kSwitches, INT32_MIN, 0, true}},
        {"mods_switch_block_at_min_position", kLength, {13, INT32_MIN, kSliders, 0, false}},
    };
    for (const OutsideCase& c : cases) {
        ExeImage image(c.length);
        image.Fill(0, c.length, 0x77);
        folder.Write("SH3.exe", image.bytes());
        PatchAreaValues values;
        values.switchBytes.assign(static_cast<std::size_t>(c.layout.switchCount), 0xFF);
        values.sliderValues = {1.0f, 1.0f};
        EXPECT_EQ(GameExecutable(files).WritePatchAreas(c.layout, values), ExeOutcome::ExeAreasOutsideFile) << c.name;
        EXPECT_EQ(folder.Read("SH3.exe"), image.bytes()) << c.name;
    }
    // The blocks may end exactly at the end of the file.
    ExeImage image(kSliders + 8);
    folder.Write("SH3.exe", image.bytes());
    PatchAreaValues values;
    values.switchBytes.assign(22, 0xFF);
    EXPECT_EQ(GameExecutable(files).WritePatchAreas({22, kSliders - 22, kSliders, 0, true}, values), ExeOutcome::ExeOk);
    EXPECT_EQ(folder.Read("SH3.exe").size(), kSliders + 8u);
}

TEST_F(GameExecutableTest, OverlappingAreasVerifyAgainstTheLastWrite) {
    ExeImage image = PatchedImage();
    folder.Write("SH3.exe", image.bytes());
    PatchAreaValues values;
    values.switchBytes.assign(22, 0xFF);
    values.sliderValues = {4.5f, 5.0f};
    // The slider block lies over the end of the switch block: the floats win.
    ASSERT_EQ(GameExecutable(files).WritePatchAreas({22, kSwitches, kSwitches + 18, 0, true}, values), ExeOutcome::ExeOk);
    const Bytes after = folder.Read("SH3.exe");
    EXPECT_EQ(Bytes(after.begin() + kSwitches + 18, after.begin() + kSwitches + 26), Bytes({0x00, 0x00, 0x90, 0x40, 0x00, 0x00, 0xA0, 0x40}));
}

TEST(RoundToOneDecimal, Cases) {
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    const float kInf = std::numeric_limits<float>::infinity();
    const std::pair<float, float> cases[] = {
        {1.04f, 1.0f},   {2.45f, 2.5f},   {32.04f, 32.0f}, {-1.0f, -0.9f},
        {-0.25f, -0.2f}, {-0.14f, 0.0f},  {0.04f, 0.0f},   {0.95f, 0.9f},  // the float nearest 0.95 lies below it
        {1.05f, 1.0f},   {4.45f, 4.4f},   {256.0f, 256.0f}, {0.5f, 0.5f},
        {kNaN, -214748364.8f}, {kInf, -214748364.8f}, {-kInf, -214748364.8f},
        {3e9f, -214748364.8f}, {-3e9f, -214748364.8f}, {100000.0f, 100000.0f},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(RoundToOneDecimal(in), out) << in;
    // Every scale value passes unchanged.
    for (float v : {0.5f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 3.5f, 4.0f, 4.5f, 5.0f, 32.0f, 64.0f, 128.0f, 256.0f})
        EXPECT_EQ(RoundToOneDecimal(v), v);
}

}  // namespace
}  // namespace murn::test
