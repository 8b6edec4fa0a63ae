#include "page.h"

#include <functional>

#include <gtest/gtest.h>

#include "game_executable.h"
#include "test_support.h"

namespace murn::test {
namespace {

constexpr std::size_t kLength = 1100000;
constexpr std::size_t kMainSwitches = 1000100;
constexpr std::size_t kMainSliders = 1000200;
constexpr std::size_t kVersion = 1000300;
constexpr std::size_t kModsSwitches = 1000500;
constexpr std::size_t kModsSliders = 1000600;

using Lines = std::vector<std::string>;

// A game folder whose two pages name separate areas of one SH3.exe.
class GameFolder {
public:
    GameFolder() {
        WriteMainContents(RowLabels(22), {":1000100", ":1000300:v1.6B", ":1000200"});
        WriteModsContents(ModLabels(), {":1000500", ":0", ":1000600"});
        image.Put(kLargeAddressOffset, {kLargeAddressClear})
            .Put(kMainSwitches, {0xFF, 0x00, 0x01, 0xFF})
            .PutFloat(kMainSliders, 2.5f)
            .PutFloat(kMainSliders + 4, 1.0f)
            .PutText(kVersion, "v1.6B")
            .Put(kModsSwitches, {0x00, 0xFF})
            .PutFloat(kModsSliders, 64.0f)
            .PutFloat(kModsSliders + 4, 5.0f);
        WriteExe();
    }

    static Lines ModLabels() {
        Lines labels;
        for (int i = 0; i < 13; ++i) labels.push_back("Mod " + std::to_string(i));
        return labels;
    }
    void WriteMainContents(const Lines& labels, const Lines& entries) const {
        folder.Write("MURNcontents.txt", ContentsText(labels, entries));
    }
    void WriteModsContents(const Lines& labels, const Lines& entries) const {
        folder.Write("Zarvolincontents.txt", ContentsText(labels, entries));
    }
    void WriteExe() const { folder.Write("SH3.exe", image.bytes()); }
    Bytes Exe() const { return folder.Read("SH3.exe"); }

    TempFolder folder;
    ExeImage image{kLength};
};

struct PageRun {
    OptionState state;
    RecordingView view;
    explicit PageRun(const PageProfile& profile) : state(profile) {}
};

PageRun Load(const PageProfile& profile, const GameFolder& game) {
    PageRun run(profile);
    StdioFileSystem files(game.folder.Path());
    LoadPage(profile, run.state, run.view, files);
    return run;
}

void Apply(const PageProfile& profile, PageRun& run, const GameFolder& game) {
    run.view.calls.clear();
    run.view.messages.clear();
    StdioFileSystem files(game.folder.Path());
    ApplyPage(profile, run.state, run.view, files);
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t size) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

TEST(LoadPage, MainPageShowsWhatTheFilesHold) {
    GameFolder game;
    game.image.Put(kLargeAddressOffset, {kLargeAddressSet});
    game.WriteExe();
    const PageRun run = Load(MainPageProfile, game);
    EXPECT_EQ(run.view.calls, Lines({"SetSliderRange(0,6)", "SetSliderPosition(0,2)", "GetSliderPosition(0)",
                                     "SetSliderValueText(0,2.5)", "SetSliderRange(1,6)", "SetSliderPosition(1,1)",
                                     "GetSliderPosition(1)", "SetSliderValueText(1,1.0)", "PushStateToControls"}));
    std::vector<std::int32_t> flags(22, 0);
    flags[0] = flags[3] = 1;  // 0x01 is not on
    EXPECT_EQ(run.state.switchFlags, flags);
    EXPECT_EQ(run.state.largeAddressFlag, 1);
    EXPECT_EQ(run.state.versionDisplay, L"v1.6B");
    EXPECT_EQ(run.state.rowLabels.front(), L"Row 0");
    EXPECT_EQ(run.state.rowLabels.back(), L"Row 21");
    EXPECT_EQ(run.state.sliderPositions, (std::array<std::int32_t, 2>{2, 1}));
    EXPECT_EQ(run.state.switchPosition, 1000100);
    EXPECT_EQ(run.state.sliderPosition, 1000200);
    EXPECT_TRUE(run.state.pageMessage.empty());
}

TEST(LoadPage, ModsPageShowsWhatTheFilesHold) {
    GameFolder game;
    // More than 13 labels pass on the mods page; the first 13 are shown.
    game.WriteModsContents({}, {});
    game.folder.Write("Zarvolincontents.txt",
                      ContentsText({":1000500", ":0", ":1000600"}, {}) + ContentsText(GameFolder::ModLabels(), {"Extra"}));
    const PageRun run = Load(ModsPageProfile, game);
    EXPECT_EQ(run.view.calls, Lines({"SetSliderRange(0,3)", "SetSliderPosition(0,1)", "GetSliderPosition(0)",
                                     "SetSliderValueText(0,64.0)", "SetSliderRange(1,6)", "SetSliderPosition(1,6)",
                                     "GetSliderPosition(1)", "SetSliderValueText(1,5.0)", "PushStateToControls"}));
    std::vector<std::int32_t> flags(13, 0);
    flags[1] = 1;
    EXPECT_EQ(run.state.switchFlags, flags);
    EXPECT_EQ(run.state.rowLabels.back(), L"Mod 12");
    EXPECT_TRUE(run.state.versionDisplay.empty());
    EXPECT_EQ(run.state.largeAddressFlag, 0);
}

TEST(LoadPage, LabelsAndVersionAreWidenedByTheView) {
    GameFolder game;
    Lines labels = RowLabels(22);
    labels[5] = "Caf\xE9";
    game.WriteMainContents(labels, {":1000100", ":1000300:v1.6\xE9", ":1000200"});
    game.image.PutText(kVersion, "v1.6\xE9");
    game.WriteExe();
    const PageRun run = Load(MainPageProfile, game);
    ASSERT_TRUE(run.state.pageMessage.empty());
    EXPECT_EQ(run.state.rowLabels[5], std::wstring(L"Caf") + wchar_t{0x04E9});
    EXPECT_EQ(run.state.versionDisplay, std::wstring(L"v1.6") + wchar_t{0x04E9});
    // Only A to Z match without regard to case: 0xC9 and 0xE9 differ.
    game.image.PutText(kVersion, "v1.6\xC9");
    game.WriteExe();
    EXPECT_EQ(Load(MainPageProfile, game).state.pageMessage, MainPageProfile.versionMismatchMessage);
}

struct FailureCase {
    const char* name;
    const PageProfile* profile;
    std::function<void(GameFolder&)> setup;
    std::wstring message;
};

class LoadFailureTest : public ::testing::TestWithParam<FailureCase> {};

// Each failure ends the load in one message box and a cancelled page, with
// no slider or control call before it; SH3.exe is never written.
TEST_P(LoadFailureTest, ShowsOneMessageAndCloses) {
    const FailureCase& c = GetParam();
    GameFolder game;
    c.setup(game);
    const Bytes before = game.Exe();
    PageRun run(*c.profile);
    FaultInjectingFileSystem files(game.folder.Path());
    LoadPage(*c.profile, run.state, run.view, files);
    EXPECT_EQ(run.view.calls, Lines({"ShowPageMessage", "CloseAsCancelled"}));
    EXPECT_EQ(run.view.messages, std::vector<std::wstring>({c.message}));
    EXPECT_EQ(run.state.pageMessage, c.message);
    EXPECT_EQ(game.Exe(), before);
    EXPECT_EQ(files.OpenFiles(), 0);
}

const Lines kMainEntries = {":1000100", ":1000300:v1.6B", ":1000200"};
const Lines kModsEntries = {":1000500", ":0", ":1000600"};
const PageProfile* const kMain = &MainPageProfile;
const PageProfile* const kMods = &ModsPageProfile;

INSTANTIATE_TEST_SUITE_P(
    Messages, LoadFailureTest,
    ::testing::Values(
        FailureCase{"main_contents_missing", kMain, [](GameFolder& g) { g.folder.Remove("MURNcontents.txt"); },
                    L"Cannot locate MURNcontents.txt file"},
        FailureCase{"mods_contents_missing", kMods, [](GameFolder& g) { g.folder.Remove("Zarvolincontents.txt"); },
                    L"Cannot locate Zarvolincontents.txt file"},
        FailureCase{"main_21_rows", kMain, [](GameFolder& g) { g.WriteMainContents(RowLabels(21), kMainEntries); },
                    L"Incorrect no. of entries in file MURNcontents.txt."},
        FailureCase{"main_23_rows", kMain, [](GameFolder& g) { g.WriteMainContents(RowLabels(23), kMainEntries); },
                    L"Incorrect no. of entries in file MURNcontents.txt."},
        FailureCase{"mods_12_rows", kMods, [](GameFolder& g) { g.WriteModsContents(RowLabels(12), kModsEntries); },
                    L"Incorrect no. of entries in file Zarvolincontents.txt."},
        FailureCase{"main_switch_position", kMain,
                    [](GameFolder& g) { g.WriteMainContents(RowLabels(22), {":999999", ":0", ":1000200"}); },
                    L"Non numeric or defective file position as first entry in file MURNcontents.txt."},
        FailureCase{"mods_switch_position", kMods,
                    [](GameFolder& g) { g.WriteModsContents(RowLabels(13), {":abc", ":0", ":1000600"}); },
                    L"Non numeric or defective file position as first entry in file Zarvolincontents.txt."},
        FailureCase{"main_slider_position", kMain,
                    [](GameFolder& g) { g.WriteMainContents(RowLabels(22), {":1000100", ":0", ":999999"}); },
                    L"Non numeric or defective slider position as third entry in file MURNcontents.txt."},
        FailureCase{"mods_slider_position", kMods,
                    [](GameFolder& g) { g.WriteModsContents(RowLabels(13), {":1000500", ":0"}); },
                    L"Non numeric or defective slider position as third entry in file Zarvolincontents.txt."},
        FailureCase{"main_exe_missing", kMain, [](GameFolder& g) { g.folder.Remove("SH3.exe"); },
                    L"Cannot locate file SH3.exe in this folder."},
        FailureCase{"mods_exe_missing", kMods, [](GameFolder& g) { g.folder.Remove("SH3.exe"); },
                    L"Cannot locate file SH3.exe in this folder."},
        FailureCase{"main_unpatched", kMain,
                    [](GameFolder& g) { g.folder.Write("SH3.exe", Bytes(static_cast<std::size_t>(kUnpatchedLength), 0xFF)); },
                    L"This is the *unpatched* SH3.exe!\n It must be patched first!"},
        FailureCase{"main_lacks_switches", kMain, [](GameFolder& g) { g.folder.Write("SH3.exe", Bytes(kMainSwitches - 1, 0xFF)); },
                    L"SH3.exe lacks the patch switches - file not patched or corrupt."},
        FailureCase{"main_version_mismatch", kMain,
                    [](GameFolder& g) { g.image.PutText(kVersion, "v1.6C"); g.WriteExe(); },
                    L"Version number in SH3.exe does not match version in file MURNcontents.txt."},
        FailureCase{"main_version_expected_but_not_read", kMain,
                    [](GameFolder& g) { g.WriteMainContents(RowLabels(22), {":1000100", ":1000000:v1.6B", ":1000200"}); },
                    L"Version number in SH3.exe does not match version in file MURNcontents.txt."},
        // The first failure wins: the version is compared before the switches are counted.
        FailureCase{"main_version_and_no_switch", kMain,
                    [](GameFolder& g) { g.image.PutText(kVersion, "v9").Fill(kMainSwitches, 22, 0); g.WriteExe(); },
                    L"Version number in SH3.exe does not match version in file MURNcontents.txt."},
        FailureCase{"main_no_switch_on", kMain,
                    [](GameFolder& g) { g.image.Fill(kMainSwitches, 22, 0x00); g.WriteExe(); },
                    L"Cannot find your switches in file SH3.exe.\nAll switches must have values 0 or FF, with at least one FF."},
        FailureCase{"main_switches_neither_0_nor_ff", kMain,
                    [](GameFolder& g) { g.image.Fill(kMainSwitches, 22, 0x01); g.WriteExe(); },
                    L"Cannot find your switches in file SH3.exe.\nAll switches must have values 0 or FF, with at least one FF."},
        FailureCase{"mods_no_switch_on", kMods,
                    [](GameFolder& g) { g.image.Fill(kModsSwitches, 13, 0xFE); g.WriteExe(); },
                    L"Cannot find your Zarvolin switches in file SH3.exe.\nAll switches must have values 0 or FF, with at least one FF."}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.name); });

TEST(LoadPage, ContentsFailuresNeverOpenTheExecutable) {
    GameFolder game;
    game.WriteMainContents(RowLabels(21), kMainEntries);
    PageRun run(MainPageProfile);
    FaultInjectingFileSystem files(game.folder.Path());
    LoadPage(MainPageProfile, run.state, run.view, files);
    EXPECT_EQ(files.Opened(), Lines({"MURNcontents.txt"}));
}

TEST(LoadPage, ModsPageIgnoresLengthAndVersion) {
    GameFolder game;
    // An unpatched-size file and a mismatched version mean nothing to the mods page.
    ExeImage image(static_cast<std::size_t>(kUnpatchedLength));
    image.Put(kModsSwitches, {0xFF});
    game.folder.Write("SH3.exe", image.bytes());
    EXPECT_TRUE(Load(ModsPageProfile, game).state.pageMessage.empty());
}

TEST(LoadPage, VersionComparison) {
    struct VersionCase {
        const char* name;
        const char* entry1;
        const char* inExe;
        bool loads;
        const wchar_t* display;
    };
    const VersionCase cases[] = {
        {"case_differs", ":1000300:v1.6B", "V1.6b", true, L"V1.6b"},
        {"no_v_prefix", ":1000300:1.6", "1.6", true, L"Unknown"},
        {"no_version_position_empty_value", ":1000000", "v1.6B", true, L"Unknown"},
        {"bare_colon", ":", "v1.6B", true, L"Unknown"},
        {"longer_expected", ":1000300:v1.6B ", "v1.6B", false, L"v1.6B"},
        {"line_feed_in_version", ":1000300:v1.6B", "v1.6B\n", false, L"v1.6B\n"},
    };
    for (const VersionCase& c : cases) {
        GameFolder game;
        game.WriteMainContents(RowLabels(22), {":1000100", c.entry1, ":1000200"});
        game.image.Fill(kVersion, 9, 0).PutText(kVersion, c.inExe);
        game.WriteExe();
        const PageRun run = Load(MainPageProfile, game);
        EXPECT_EQ(run.state.pageMessage.empty(), c.loads) << c.name;
        EXPECT_EQ(run.state.versionDisplay, c.display) << c.name;
    }
    EXPECT_TRUE(VersionTextsMatch("v1.6b", "V1.6B"));
    EXPECT_FALSE(VersionTextsMatch("v1.6", "v1.6 "));
    EXPECT_FALSE(VersionTextsMatch("v1.6[", "v1.6{"));  // not letters, even 0x20 apart
}

TEST(ApplyPage, MainPageWritesItsAreasAndReportsIt) {
    GameFolder game;
    PageRun run = Load(MainPageProfile, game);
    const Bytes before = game.Exe();
    run.state.switchFlags[1] = 1;  // as the check box clicks leave them
    run.state.switchFlags[0] = 0;
    run.state.largeAddressFlag = 1;
    run.view.sliderPos[0] = 6;
    run.view.sliderPos[1] = 0;
    Apply(MainPageProfile, run, game);
    EXPECT_EQ(run.view.calls, Lines({"GetSliderPosition(0)", "GetSliderPosition(1)", "ShowPageMessage", "FinishWithOk"}));
    EXPECT_EQ(run.view.messages, std::vector<std::wstring>({L"Your SH3.exe file is now updated."}));
    EXPECT_EQ(run.state.sliderPositions, (std::array<std::int32_t, 2>{6, 0}));

    const Bytes after = game.Exe();
    Bytes switches(22, 0x00);
    switches[1] = switches[3] = 0xFF;  // the 0x01 of row 2 becomes 0x00
    EXPECT_EQ(Slice(after, kMainSwitches, 22), switches);
    EXPECT_EQ(after[kLargeAddressOffset], kLargeAddressSet);
    EXPECT_EQ(Slice(after, kMainSliders, 8), Bytes({0x00, 0x00, 0x90, 0x40, 0x00, 0x00, 0x00, 0x3F}));
    // Nothing else changed: put the areas back and the files are equal.
    Bytes restored = after;
    std::copy_n(before.begin() + kMainSwitches, 22, restored.begin() + kMainSwitches);
    std::copy_n(before.begin() + kMainSliders, 8, restored.begin() + kMainSliders);
    restored[kLargeAddressOffset] = before[kLargeAddressOffset];
    EXPECT_EQ(restored, before);
}

TEST(ApplyPage, UnmatchedSliderValueIsReplacedByTheScaleValue) {
    GameFolder game;
    game.image.PutFloat(kMainSliders, 2.7f).PutFloat(kMainSliders + 4, 4.0f);
    game.WriteExe();
    PageRun run = Load(MainPageProfile, game);
    EXPECT_EQ(run.state.sliderPositions, (std::array<std::int32_t, 2>{0, 1}));
    EXPECT_EQ(run.view.valueText[1], L"1.0");
    Apply(MainPageProfile, run, game);
    EXPECT_EQ(Slice(game.Exe(), kMainSliders, 8), Bytes({0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F}));
}

TEST(ApplyPage, ModsThenMainKeepEachOthersAreas) {
    GameFolder game;
    PageRun main = Load(MainPageProfile, game);
    PageRun mods = Load(ModsPageProfile, game);
    mods.state.switchFlags.assign(13, 1);
    mods.view.sliderPos[0] = 3;
    Apply(ModsPageProfile, mods, game);
    EXPECT_EQ(mods.view.messages, std::vector<std::wstring>({L"Your SH3.exe file is now updated."}));
    Apply(MainPageProfile, main, game);
    const Bytes after = game.Exe();
    EXPECT_EQ(Slice(after, kModsSwitches, 13), Bytes(13, 0xFF));
    EXPECT_EQ(Slice(after, kModsSliders, 8), Bytes({0x00, 0x00, 0x80, 0x43, 0x00, 0x00, 0xA0, 0x40}));
    EXPECT_EQ(after[kModsSwitches + 13], 0x00);
    // A mods page opened again shows what its last apply wrote.
    const PageRun again = Load(ModsPageProfile, game);
    EXPECT_EQ(again.state.switchFlags, std::vector<std::int32_t>(13, 1));
    EXPECT_EQ(again.view.valueText[0], L"256.0");
}

TEST(ApplyPage, FailuresAreReportedAndTheFileKept) {
    struct ApplyCase {
        const char* name;
        std::function<void(GameFolder&)> afterLoad;
        const wchar_t* message;
    };
    const ApplyCase cases[] = {
        {"exe_gone", [](GameFolder& g) { g.folder.Remove("SH3.exe"); },
         L"Cannot find your file 'SH3.exe'. Is it open somewhere? Sh3.exe file not updated."},
        {"exe_shortened", [](GameFolder& g) { g.folder.Write("SH3.exe", Bytes(kMainSliders + 4, 0x11)); },
         L"SH3.exe lacks the patch areas - file not patched or corrupt. Sh3.exe file not updated."},
    };
    for (const ApplyCase& c : cases) {
        GameFolder game;
        PageRun run = Load(MainPageProfile, game);
        c.afterLoad(game);
        const Bytes before = game.Exe();
        Apply(MainPageProfile, run, game);
        EXPECT_EQ(run.view.calls, Lines({"GetSliderPosition(0)", "GetSliderPosition(1)", "ShowPageMessage", "FinishWithOk"})) << c.name;
        EXPECT_EQ(run.view.messages, std::vector<std::wstring>({c.message})) << c.name;
        EXPECT_EQ(game.Exe(), before) << c.name;
    }
}

TEST(ApplyPage, WritesEveryAreaEvenWhenNothingChanged) {
    GameFolder game;
    game.image.Put(kLargeAddressOffset, {0x2E});
    game.WriteExe();
    PageRun run = Load(MainPageProfile, game);
    Apply(MainPageProfile, run, game);
    const Bytes after = game.Exe();
    EXPECT_EQ(after[kLargeAddressOffset], kLargeAddressClear);
    EXPECT_EQ(after[kMainSwitches + 2], 0x00);
}

TEST(Pages, PositionsAtTheEndsOfTheRange) {
    // The largest and smallest positions that a contents file can name, and
    // one beyond the range, which reads as the largest. None may lead to a
    // read or a write outside SH3.exe.
    const std::wstring kLacks = L"SH3.exe lacks the patch switches - file not patched or corrupt.";
    const std::wstring kOutside = kAreasOutsideFileMessage;
    struct EdgeCase {
        const char* name;
        const PageProfile* profile;
        Lines entries;
        std::wstring loadMessage;   // empty: the page loads
        std::wstring applyMessage;  // after a load that worked
    };
    const EdgeCase cases[] = {
        {"main_switches_at_max", kMain, {":2147483647", ":1000300:v1.6B", ":1000200"}, kLacks, L""},
        {"main_switches_beyond_max", kMain, {":99999999999", ":1000300:v1.6B", ":1000200"}, kLacks, L""},
        {"main_switches_at_min", kMain, {":-2147483648", ":1000300:v1.6B", ":1000200"},
         MainPageProfile.switchPositionMessage, L""},
        {"main_sliders_at_max", kMain, {":1000100", ":1000300:v1.6B", ":2147483647"}, L"", kOutside},
        {"main_sliders_at_min", kMain, {":1000100", ":1000300:v1.6B", ":-2147483648"},
         MainPageProfile.sliderPositionMessage, L""},
        {"main_version_at_max_expects_none", kMain, {":1000100", ":2147483647:", ":1000200"}, L"", kUpdatedMessage},
        {"main_version_at_max_expects_one", kMain, {":1000100", ":2147483647:v1.6B", ":1000200"},
         MainPageProfile.versionMismatchMessage, L""},
        {"main_version_at_min", kMain, {":1000100", ":-2147483648:", ":1000200"}, L"", kUpdatedMessage},
        {"mods_switches_at_max", kMods, {":2147483647", ":0", ":1000600"},
         std::wstring(ModsPageProfile.noSwitchOnMessage) + kNoSwitchOnSuffix, L""},
        {"mods_sliders_at_max", kMods, {":1000500", ":0", ":2147483647"}, L"", kOutside},
    };
    for (const EdgeCase& c : cases) {
        GameFolder game;
        if (c.profile == kMain) {
            game.WriteMainContents(RowLabels(22), c.entries);
        } else {
            game.WriteModsContents(GameFolder::ModLabels(), c.entries);
        }
        const Bytes before = game.Exe();
        PageRun run = Load(*c.profile, game);
        EXPECT_EQ(run.state.pageMessage, c.loadMessage) << c.name;
        if (c.loadMessage.empty()) {
            Apply(*c.profile, run, game);
            EXPECT_EQ(run.view.messages, std::vector<std::wstring>({c.applyMessage})) << c.name;
        }
        const Bytes after = game.Exe();
        ASSERT_EQ(after.size(), before.size()) << c.name;
        if (run.state.pageMessage != kUpdatedMessage) {
            EXPECT_EQ(after, before) << c.name;
        }
    }
}

}  // namespace
}  // namespace murn::test
