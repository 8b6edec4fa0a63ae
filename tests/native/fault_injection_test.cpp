// Every file operation of a page's load and apply, and of reading each
// contents file, is made to fail in turn, once and from then on, until a run
// goes through without a fault; a fault either stops the operation or lets it
// finish and then reports an error. Whatever fails, the player is told, and
// SH3.exe is either unchanged or differs only inside the page's areas, with
// its length kept. Last, the real files: what the system refuses is reported.

#include <climits>
#include <cstdint>
#include <filesystem>

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

// How the faults of one series are injected.
struct Mode {
    const char* name;
    bool sticky;
    FaultStyle style;
};

const Mode kModes[] = {
    {"once", false, FaultStyle::Loud},
    {"from then on", true, FaultStyle::Loud},
    {"late once", false, FaultStyle::Late},
    {"late from then on", true, FaultStyle::Late},
};

std::string Describe(const FaultInjectingFileSystem& files, int failAt, const Mode& mode) {
    std::string text = "fault at operation " + std::to_string(failAt) + " (" + mode.name + "):";
    for (const FileOp op : files.Log()) text += std::string(" ") + FileOpName(op);
    return text;
}

// True when every operation that failed was a close.
bool OnlyClosesFailed(const FaultInjectingFileSystem& files, int failAt, bool sticky) {
    const std::vector<FileOp>& log = files.Log();
    const std::size_t last = sticky ? log.size() : static_cast<std::size_t>(failAt);
    for (std::size_t i = static_cast<std::size_t>(failAt - 1); i < last; ++i)
        if (log[i] != FileOp::Close) return false;
    return true;
}

TEST(FaultInjection, LoadFailsHonestlyAndNeverWrites) {
    for (const Scenario& s : kScenarios) {
        for (const Mode& mode : kModes) {
            int points = 0;
            for (int failAt = 1;; ++failAt) {
                TempFolder folder;
                WriteGame(folder);
                const Bytes before = folder.Read("SH3.exe");
                FaultInjectingFileSystem files(folder.Path(), failAt, mode.sticky);
                files.SetStyle(mode.style);
                OptionState state(*s.profile);
                RecordingView view;
                LoadPage(*s.profile, state, view, files);
                const std::string where = std::string(s.name) + " " + Describe(files, failAt, mode);

                EXPECT_EQ(files.OpenFiles(), 0) << where;
                EXPECT_EQ(folder.Read("SH3.exe"), before) << where;
                if (!files.Injected()) {
                    EXPECT_TRUE(state.pageMessage.empty()) << where;
                    points = failAt - 1;
                    break;
                }
                // A failed close of a file that was only read loses nothing:
                // the page loads as it would have. Every other fault ends the
                // load with a message.
                if (OnlyClosesFailed(files, failAt, mode.sticky)) {
                    EXPECT_TRUE(state.pageMessage.empty()) << where;
                    EXPECT_EQ(view.calls.back(), "PushStateToControls") << where;
                    continue;
                }
                EXPECT_EQ(view.calls, std::vector<std::string>({"ShowPageMessage", "CloseAsCancelled"})) << where;
                const std::wstring& m = state.pageMessage;
                EXPECT_TRUE(m == s.profile->missingContentsMessage || m == kExeMissingMessage || m == kReadFailedMessage)
                    << where << " gave " << Narrow(m);
            }
            EXPECT_GT(points, 5) << s.name;
            std::printf("load %s (%s): %d fault points, each run\n", s.name, mode.name, points);
        }
    }
}

// Loads the page with the plain files, then changes every area, so that a
// complete write differs everywhere in them.
void LoadAndChange(const TempFolder& folder, const Scenario& s, OptionState& state, RecordingView& view) {
    StdioFileSystem plain(folder.Path());
    LoadPage(*s.profile, state, view, plain);
    ASSERT_TRUE(state.pageMessage.empty()) << s.name;
    for (auto& flag : state.switchFlags) flag = 0;
    state.largeAddressFlag = 1;
    view.sliderPos[0] = 1;
    view.sliderPos[1] = 0;
    view.calls.clear();
}

// The file keeps its length, and nothing outside the page's areas changed.
void ExpectOnlyAreasChanged(const Bytes& before, const Bytes& after, const Areas& areas, const std::string& where) {
    ASSERT_EQ(after.size(), before.size()) << where;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] != before[i]) {
            ASSERT_TRUE(areas.Contain(i)) << where << " changed byte " << i;
        }
    }
}

TEST(FaultInjection, ApplyNeverReportsSuccessAfterAFault) {
    for (const Scenario& s : kScenarios) {
        for (const Mode& mode : kModes) {
            int points = 0;
            for (int failAt = 1;; ++failAt) {
                TempFolder folder;
                WriteGame(folder);
                OptionState state(*s.profile);
                RecordingView view;
                LoadAndChange(folder, s, state, view);
                const Bytes before = folder.Read("SH3.exe");

                FaultInjectingFileSystem files(folder.Path(), failAt, mode.sticky);
                files.SetStyle(mode.style);
                ApplyPage(*s.profile, state, view, files);
                const std::string where = std::string(s.name) + " " + Describe(files, failAt, mode);
                const Bytes after = folder.Read("SH3.exe");

                EXPECT_EQ(files.OpenFiles(), 0) << where;
                EXPECT_EQ(view.calls, std::vector<std::string>({"GetSliderPosition(0)", "GetSliderPosition(1)",
                                                                "ShowPageMessage", "FinishWithOk"})) << where;
                ExpectOnlyAreasChanged(before, after, s.areas, where);
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
                    EXPECT_TRUE(mode.sticky || files.Log()[static_cast<std::size_t>(failAt - 1)] == FileOp::Close)
                        << where;
                }
            }
            EXPECT_GT(points, 10) << s.name;
            std::printf("apply %s (%s): %d fault points, each run\n", s.name, mode.name, points);
        }
    }
}

TEST(FaultInjection, UndoWhoseCloseFailsIsNotCalledUndone) {
    // Two faults in one run: a write fails, the areas are put back, and then
    // the close fails, so nobody can say what reached the disk.
    for (const Scenario& s : kScenarios) {
        std::vector<int> writes;
        {
            TempFolder folder;
            WriteGame(folder);
            OptionState state(*s.profile);
            RecordingView view;
            LoadAndChange(folder, s, state, view);
            FaultInjectingFileSystem files(folder.Path());
            ApplyPage(*s.profile, state, view, files);
            for (std::size_t i = 0; i < files.Log().size(); ++i)
                if (files.Log()[i] == FileOp::Write) writes.push_back(static_cast<int>(i) + 1);
        }
        ASSERT_FALSE(writes.empty()) << s.name;
        for (const int write : writes) {
            int closeAt = 0;
            for (const bool closeFails : {false, true}) {
                TempFolder folder;
                WriteGame(folder);
                OptionState state(*s.profile);
                RecordingView view;
                LoadAndChange(folder, s, state, view);
                const Bytes before = folder.Read("SH3.exe");
                FaultInjectingFileSystem files(folder.Path(), write);
                if (closeFails) files.FailAlso(closeAt);
                ApplyPage(*s.profile, state, view, files);
                const std::string where = std::string(s.name) + " write " + std::to_string(write) +
                                          (closeFails ? " and close " + std::to_string(closeAt) : "");
                ASSERT_EQ(files.Log().back(), FileOp::Close) << where;
                closeAt = files.Count();
                EXPECT_EQ(state.pageMessage, closeFails ? kWriteFailedMessage : kWriteUndoneMessage) << where;
                ExpectOnlyAreasChanged(before, folder.Read("SH3.exe"), s.areas, where);
            }
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
            const std::string where = std::string(s.name) + " " + Describe(files, failAt, {"quiet", false, FaultStyle::Quiet});
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

// A contents file of about 10 KB, so that it takes several reads: its labels
// are spread over the whole of it, so that losing any part of the file
// changes the count.
std::string LongContents(const std::vector<std::string>& entries, int rows) {
    const std::string comment = "/" + std::string(70, 'c') + "\n";
    std::string text;
    for (const std::string& entry : entries) text += entry + "\n";
    const std::size_t commentsPerLabel = 9000 / (static_cast<std::size_t>(rows) * comment.size()) + 1;
    for (const std::string& label : RowLabels(rows)) {
        for (std::size_t i = 0; i < commentsPerLabel; ++i) text += comment;
        text += label + "\n";
    }
    return text;
}

bool SameContents(const ContentsResult& a, const ContentsResult& b) {
    if (a.outcome != b.outcome || a.file.labels != b.file.labels || a.file.entries.size() != b.file.entries.size())
        return false;
    for (std::size_t i = 0; i < a.file.entries.size(); ++i) {
        if (a.file.entries[i].positionText != b.file.entries[i].positionText ||
            a.file.entries[i].valueText != b.file.entries[i].valueText)
            return false;
    }
    return a.file.switchPosition == b.file.switchPosition && a.file.sliderPosition == b.file.sliderPosition &&
           a.file.versionPosition == b.file.versionPosition && a.file.expectedVersion == b.file.expectedVersion;
}

TEST(FaultInjection, ContentsFileReadErrorIsNotHalfAFile) {
    // Every operation on each contents file fails in turn. A read error
    // part-way through must not pass for the end of the file; a short read
    // without an error, or a failed close, changes nothing.
    struct File {
        const char* name;
        const PageProfile* profile;
        std::vector<std::string> entries;
    };
    const File kFiles[] = {
        {"MURNcontents.txt", &MainPageProfile, {":1000100", ":1000300:v1.6B", ":1000200"}},
        {"Zarvolincontents.txt", &ModsPageProfile, {":1000500", ":0", ":1000600"}},
    };
    std::vector<Mode> modes(std::begin(kModes), std::end(kModes));
    modes.push_back({"quiet once", false, FaultStyle::Quiet});
    for (const File& f : kFiles) {
        TempFolder folder;
        const std::string text = LongContents(f.entries, f.profile->rowCount);
        ASSERT_GT(text.size(), 2 * 4096u);
        folder.Write(f.name, text);
        StdioFileSystem plain(folder.Path());
        const ContentsResult clean = ReadContentsFile(f.name, f.profile->rowCount, f.profile->stopAboveRows, plain);
        ASSERT_EQ(clean.outcome, ContentsOutcome::ContentsOk) << f.name;

        for (const Mode& mode : modes) {
            int points = 0;
            for (int failAt = 1;; ++failAt) {
                FaultInjectingFileSystem files(folder.Path(), failAt, mode.sticky);
                files.SetStyle(mode.style);
                const ContentsResult result =
                    ReadContentsFile(f.name, f.profile->rowCount, f.profile->stopAboveRows, files);
                const std::string where = std::string(f.name) + " " + Describe(files, failAt, mode);
                EXPECT_EQ(files.OpenFiles(), 0) << where;
                if (!files.Injected()) {
                    EXPECT_TRUE(SameContents(result, clean)) << where;
                    points = failAt - 1;
                    break;
                }
                const FileOp failed = files.Log()[static_cast<std::size_t>(failAt - 1)];
                const bool harmless = (mode.style == FaultStyle::Quiet && failed == FileOp::Read) ||
                                      OnlyClosesFailed(files, failAt, mode.sticky);
                if (harmless) {
                    EXPECT_TRUE(SameContents(result, clean)) << where;
                } else {
                    EXPECT_EQ(result.outcome, ContentsOutcome::ContentsMissing) << where;
                }
            }
            // Open, at least three block reads and the one that finds the end, close.
            EXPECT_GE(points, 6) << f.name;
            std::printf("contents %s (%s): %d fault points, each run\n", f.name, mode.name, points);
        }
    }
}

// The real files: what the operating system refuses is reported, not hidden.
TEST(StdioFiles, RefusalsAreReported) {
    TempFolder folder;
    const Bytes bytes = {1, 2, 3, 4};
    folder.Write("f.bin", bytes);
    StdioFileSystem files(folder.Path());
    EXPECT_EQ(files.Open("absent.bin", OpenMode::ReadOnly), nullptr);
    EXPECT_EQ(files.Open("absent.bin", OpenMode::ReadUpdate), nullptr);

    std::unique_ptr<File> file = files.Open("f.bin", OpenMode::ReadOnly);
    ASSERT_NE(file, nullptr);
    for (const std::int64_t offset : {std::int64_t{-1}, std::int64_t{INT32_MIN}, INT64_MIN})
        EXPECT_FALSE(file->Seek(offset)) << offset;
    // Past the end is a place to be, where nothing can be read.
    ASSERT_TRUE(file->Seek(10));
    std::uint8_t buffer[4] = {};
    bool failed = true;
    EXPECT_EQ(file->Read(buffer, sizeof buffer, failed), 0u);
    EXPECT_FALSE(failed);
    // A file opened for reading takes no write.
    ASSERT_TRUE(file->Seek(0));
    EXPECT_FALSE(file->Write(buffer, sizeof buffer));
    EXPECT_TRUE(file->Close());
    EXPECT_FALSE(file->Close());  // closed already: nothing to report as done
    file.reset();
    EXPECT_EQ(folder.Read("f.bin"), bytes);
}

// Runs the rest of a scope in another working directory.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

TEST(StdioFiles, TheProgramsFilesAreLookedUpInTheCurrentDirectory) {
    // What the program itself does: every call without a file system of the
    // test's own goes to DefaultFileSystem, which opens bare names.
    EXPECT_EQ(&DefaultFileSystem(), &DefaultFileSystem());
    for (const Scenario& s : kScenarios) {
        TempFolder folder;
        WriteGame(folder);
        OptionState state(*s.profile);
        RecordingView view;
        {
            const WorkingDirectory here(folder.Path());
            LoadPage(*s.profile, state, view);
            ASSERT_TRUE(state.pageMessage.empty()) << s.name << ": " << Narrow(state.pageMessage);
            for (auto& flag : state.switchFlags) flag = 0;
            ApplyPage(*s.profile, state, view);
        }
        EXPECT_EQ(state.pageMessage, kUpdatedMessage) << s.name;
        const Bytes after = folder.Read("SH3.exe");
        ASSERT_EQ(after.size(), kLength) << s.name;
        for (std::size_t i = 0; i < s.areas.switchCount; ++i) EXPECT_EQ(after[s.areas.switches + i], 0x00) << s.name;
    }
    TempFolder empty;
    const WorkingDirectory here(empty.Path());
    EXPECT_EQ(DefaultFileSystem().Open(kGameExecutableName, OpenMode::ReadOnly), nullptr);
}

}  // namespace
}  // namespace murn::test
