// Every file operation of a page's load and apply is made to fail in turn,
// once and from then on, until a run goes through without a fault. Whatever
// fails, the player is told, and SH3.exe is either unchanged or differs only
// inside the page's areas, with its length kept.

#include <gtest/gtest.h>

#include "contents_file.h"
#include "game_executable.h"
#include "page.h"
#include "test_support.h"

namespace murn::test {
namespace {

constexpr std::size_t kLength = 1100000;

struct Areas {
    std::size_t switches;
    std::size_t switchCount;
    std::size_t sliders;
    bool header;
    bool Contain(std::size_t offset) const {
        return (offset >= switches && offset < switches + switchCount) ||
               (offset >= sliders && offset < sliders + 8) ||
               (header && offset == static_cast<std::size_t>(kLargeAddressOffset));
    }
};

struct Scenario {
    const char* name;
    const PageProfile* profile;
    Areas areas;
};

const Scenario kScenarios[] = {
    {"main", &MainPageProfile, {1000100, 22, 1000200, true}},
    {"mods", &ModsPageProfile, {1000500, 13, 1000600, false}},
};

void WriteGame(const TempFolder& folder) {
    folder.Write("MURNcontents.txt", ContentsText(RowLabels(22), {":1000100", ":1000300:v1.6B", ":1000200"}));
    folder.Write("Zarvolincontents.txt", ContentsText(RowLabels(13), {":1000500", ":0", ":1000600"}));
    ExeImage image(kLength);
    image.Fill(0, kLength, 0x33)
        .Put(static_cast<std::size_t>(kLargeAddressOffset), {kLargeAddressClear})
        .Fill(1000100, 22, 0xFF)
        .PutFloat(1000200, 2.5f)
        .PutFloat(1000204, 1.0f)
        .Fill(1000300, 9, 0)
        .PutText(1000300, "v1.6B")
        .Fill(1000500, 13, 0xFF)
        .PutFloat(1000600, 64.0f)
        .PutFloat(1000604, 5.0f);
    folder.Write("SH3.exe", image.bytes());
}

std::string Describe(const FaultInjectingFileSystem& files, int failAt, bool sticky) {
    std::string text = "fault at operation " + std::to_string(failAt) + (sticky ? " and after" : " once") + ":";
    for (const FileOp op : files.Log()) text += std::string(" ") + FileOpName(op);
    return text;
}

TEST(FaultInjection, LoadFailsHonestlyAndNeverWrites) {
    for (const Scenario& s : kScenarios) {
        for (const bool sticky : {false, true}) {
            int points = 0;
            for (int failAt = 1;; ++failAt) {
                TempFolder folder;
                WriteGame(folder);
                const Bytes before = folder.Read("SH3.exe");
                FaultInjectingFileSystem files(folder.Path(), failAt, sticky);
                OptionState state(*s.profile);
                RecordingView view;
                LoadPage(*s.profile, state, view, files);
                const std::string where = std::string(s.name) + " " + Describe(files, failAt, sticky);

                EXPECT_EQ(files.OpenFiles(), 0) << where;
                EXPECT_EQ(folder.Read("SH3.exe"), before) << where;
                if (!files.Injected()) {
                    EXPECT_TRUE(state.pageMessage.empty()) << where;
                    points = failAt - 1;
                    break;
                }
                // A failed close of a file that was only read loses nothing;
                // every other fault ends the load with a message.
                const FileOp failed = files.Log()[static_cast<std::size_t>(failAt - 1)];
                if (failed == FileOp::Close) continue;
                EXPECT_EQ(view.calls, std::vector<std::string>({"ShowPageMessage", "CloseAsCancelled"})) << where;
                const std::wstring& m = state.pageMessage;
                EXPECT_TRUE(m == s.profile->missingContentsMessage || m == kExeMissingMessage || m == kReadFailedMessage)
                    << where << " gave " << Narrow(m);
            }
            EXPECT_GT(points, 5) << s.name;
            std::printf("load %s (%s): %d fault points\n", s.name, sticky ? "sticky" : "once", points);
        }
    }
}

TEST(FaultInjection, ApplyNeverReportsSuccessAfterAFault) {
    for (const Scenario& s : kScenarios) {
        for (const bool sticky : {false, true}) {
            int points = 0;
            for (int failAt = 1;; ++failAt) {
                TempFolder folder;
                WriteGame(folder);
                OptionState state(*s.profile);
                RecordingView view;
                {
                    StdioFileSystem plain(folder.Path());
                    LoadPage(*s.profile, state, view, plain);
                    ASSERT_TRUE(state.pageMessage.empty()) << s.name;
                }
                // Change every area so that a complete write differs everywhere in them.
                for (auto& flag : state.switchFlags) flag = 0;
                state.largeAddressFlag = 1;
                view.sliderPos[0] = 1;
                view.sliderPos[1] = 0;
                const Bytes before = folder.Read("SH3.exe");

                FaultInjectingFileSystem files(folder.Path(), failAt, sticky);
                view.calls.clear();
                ApplyPage(*s.profile, state, view, files);
                const std::string where = std::string(s.name) + " " + Describe(files, failAt, sticky);
                const Bytes after = folder.Read("SH3.exe");

                EXPECT_EQ(files.OpenFiles(), 0) << where;
                EXPECT_EQ(view.calls, std::vector<std::string>({"GetSliderPosition(0)", "GetSliderPosition(1)",
                                                                "ShowPageMessage", "FinishWithOk"})) << where;
                ASSERT_EQ(after.size(), before.size()) << where;
                for (std::size_t i = 0; i < after.size(); ++i) {
                    if (after[i] != before[i]) {
                        ASSERT_TRUE(s.areas.Contain(i)) << where << " changed byte " << i;
                    }
                }
                const std::wstring& m = state.pageMessage;
                if (!files.Injected()) {
                    EXPECT_EQ(m, kUpdatedMessage) << where;
                    for (std::size_t i = 0; i < s.areas.switchCount; ++i)
                        EXPECT_EQ(after[s.areas.switches + i], 0x00) << where;
                    points = failAt - 1;
                    break;
                }
                EXPECT_NE(m, kUpdatedMessage) << where;
                if (m == kNotUpdatedMessage || m == kWriteUndoneMessage) {
                    EXPECT_EQ(after, before) << where;
                } else {
                    EXPECT_EQ(m, kWriteFailedMessage) << where;
                    // Only a fault that lasts can keep the undo from working.
                    EXPECT_TRUE(sticky || files.Log()[static_cast<std::size_t>(failAt - 1)] == FileOp::Close) << where;
                }
            }
            EXPECT_GT(points, 10) << s.name;
            std::printf("apply %s (%s): %d fault points\n", s.name, sticky ? "sticky" : "once", points);
        }
    }
}

TEST(FaultInjection, QuietlyLostWritesAreCaughtByTheReadBack) {
    // Writes that claim success but store nothing, and reads that come back
    // short without an error: only the read-back can tell.
    for (const Scenario& s : kScenarios) {
        int caught = 0;
        for (int failAt = 1;; ++failAt) {
            TempFolder folder;
            WriteGame(folder);
            OptionState state(*s.profile);
            RecordingView view;
            StdioFileSystem plain(folder.Path());
            LoadPage(*s.profile, state, view, plain);
            for (auto& flag : state.switchFlags) flag = 0;
            const Bytes before = folder.Read("SH3.exe");

            FaultInjectingFileSystem files(folder.Path(), failAt, false);
            files.SetQuiet(true);
            ApplyPage(*s.profile, state, view, files);
            if (!files.Injected()) break;
            const FileOp op = files.Log()[static_cast<std::size_t>(failAt - 1)];
            if (op != FileOp::Write && op != FileOp::Read) continue;
            const std::string where = std::string(s.name) + " " + Describe(files, failAt, false);
            const Bytes after = folder.Read("SH3.exe");
            if (state.pageMessage == kUpdatedMessage) {
                // Lost bytes that were already there, or a short read of bytes the undo never needed.
                for (std::size_t i = 0; i < s.areas.switchCount; ++i)
                    EXPECT_EQ(after[s.areas.switches + i], 0x00) << where;
            } else {
                ++caught;
                EXPECT_TRUE(state.pageMessage == kWriteUndoneMessage || state.pageMessage == kNotUpdatedMessage)
                    << where << " gave " << Narrow(state.pageMessage);
                EXPECT_EQ(after, before) << where;
            }
        }
        EXPECT_GT(caught, 3) << s.name;
    }
}

TEST(FaultInjection, ContentsFileReadErrorIsNotHalfAFile) {
    // A read error part-way through must not pass for the end of the file.
    TempFolder folder;
    WriteGame(folder);
    for (int failAt = 1; failAt <= 4; ++failAt) {
        FaultInjectingFileSystem files(folder.Path(), failAt, true);
        const ContentsResult result = ReadContentsFile("MURNcontents.txt", 22, 22, files);
        if (!files.Injected()) break;
        if (files.Log()[static_cast<std::size_t>(failAt - 1)] == FileOp::Close) continue;
        EXPECT_EQ(result.outcome, ContentsOutcome::ContentsMissing) << failAt;
    }
}

}  // namespace
}  // namespace murn::test
