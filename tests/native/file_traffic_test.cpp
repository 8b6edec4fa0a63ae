// What a page's load and apply cost the files, counted at the file system:
// each contents file is opened once and read through once, SH3.exe is opened
// once per load and once per apply, and only its areas are ever read or
// written, however long the file is.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <tuple>

#include "game_executable.h"
#include "page.h"
#include "test_support.h"

namespace murn::test {
namespace {

// What one file went through, summed over every time it was opened.
struct Traffic {
    int opens = 0;
    int reads = 0;
    std::size_t bytesRead = 0;
    std::size_t largestRead = 0;  // the largest size asked for in one read
    int writes = 0;
    std::size_t bytesWritten = 0;
};

// Passes everything to the real files of a folder and counts it by file name.
class CountingFileSystem final : public FileSystem {
public:
    explicit CountingFileSystem(const std::string& folder) : real_(folder) {}

    std::unique_ptr<File> Open(const std::string& name, OpenMode mode) override {
        Traffic& traffic = traffic_[name];
        ++traffic.opens;
        std::unique_ptr<File> file = real_.Open(name, mode);
        if (!file) return nullptr;
        return std::make_unique<CountingFile>(std::move(file), traffic);
    }

    // The files in the order of their names; a file never opened is absent.
    const std::map<std::string, Traffic>& Files() const { return traffic_; }
    Traffic Of(const std::string& name) const {
        const auto it = traffic_.find(name);
        return it == traffic_.end() ? Traffic{} : it->second;
    }

private:
    class CountingFile final : public File {
    public:
        CountingFile(std::unique_ptr<File> real, Traffic& traffic)
            : real_(std::move(real)), traffic_(traffic) {}
        bool Seek(std::int64_t offset) override { return real_->Seek(offset); }
        bool SeekToEnd() override { return real_->SeekToEnd(); }
        std::int64_t Tell() override { return real_->Tell(); }
        std::size_t Read(void* buffer, std::size_t size, bool& failed) override {
            const std::size_t got = real_->Read(buffer, size, failed);
            ++traffic_.reads;
            traffic_.bytesRead += got;
            traffic_.largestRead = std::max(traffic_.largestRead, size);
            return got;
        }
        bool Write(const void* buffer, std::size_t size) override {
            ++traffic_.writes;
            traffic_.bytesWritten += size;
            return real_->Write(buffer, size);
        }
        bool Flush() override { return real_->Flush(); }
        bool Close() override { return real_->Close(); }

    private:
        std::unique_ptr<File> real_;
        Traffic& traffic_;
    };

    StdioFileSystem real_;
    std::map<std::string, Traffic> traffic_;
};

struct PageCase {
    const char* name;
    const PageProfile* profile;
    const char* otherContents;  // the other page's contents file, never opened
    std::size_t switches;
    std::size_t sliders;
    // Bytes of SH3.exe that one load reads: the switch block, the slider
    // block and, on the main page, the large-address byte and the version.
    std::size_t loadBytes;
    // Bytes that one apply writes: the switch block, the slider block and,
    // on the main page, the large-address byte.
    std::size_t applyBytes;
};

void PrintTo(const PageCase& page, std::ostream* out) { *out << page.name; }

const PageCase kPages[] = {
    {"main", &MainPageProfile, "Zarvolincontents.txt", 1000100, 1000200, 22 + 1 + 8 + 9, 22 + 1 + 8},
    {"mods", &ModsPageProfile, "MURNcontents.txt", 1000500, 1000600, 13 + 8, 13 + 8},
};

// A game folder whose SH3.exe is exeLength bytes long; the areas lie at the
// same offsets whatever the length.
class TrafficTest : public ::testing::TestWithParam<std::tuple<PageCase, std::size_t>> {
protected:
    void SetUp() override {
        const std::size_t length = std::get<1>(GetParam());
        mainContents_ = ContentsText(RowLabels(22), {":1000100", ":1000300:v1.6B", ":1000200"});
        modsContents_ = ContentsText(RowLabels(13), {":1000500", ":0", ":1000600"});
        folder_.Write("MURNcontents.txt", mainContents_);
        folder_.Write("Zarvolincontents.txt", modsContents_);
        ExeImage image(length);
        image.Put(static_cast<std::size_t>(kLargeAddressOffset), {kLargeAddressSet})
            .Fill(1000100, 22, 0xFF)
            .PutFloat(1000200, 2.5f)
            .PutFloat(1000204, 1.0f)
            .PutText(1000300, "v1.6B")
            .Fill(1000500, 13, 0xFF)
            .PutFloat(1000600, 64.0f)
            .PutFloat(1000604, 5.0f);
        folder_.Write("SH3.exe", image.bytes());
    }

    const PageCase& Page() const { return std::get<0>(GetParam()); }
    std::size_t ContentsSize() const {
        return (Page().profile->mainPageAreas ? mainContents_ : modsContents_).size();
    }

    TempFolder folder_;
    std::string mainContents_;
    std::string modsContents_;
};

TEST_P(TrafficTest, LoadOpensEachFileOnceAndReadsOnlyTheAreas) {
    const PageProfile& profile = *Page().profile;
    OptionState state(profile);
    RecordingView view;
    CountingFileSystem files(folder_.Path());
    LoadPage(profile, state, view, files);
    ASSERT_TRUE(view.messages.empty()) << Narrow(view.messages.front());

    ASSERT_EQ(files.Files().size(), 2u);
    const Traffic contents = files.Of(profile.contentsFileName);
    EXPECT_EQ(contents.opens, 1);
    EXPECT_EQ(contents.bytesRead, ContentsSize()) << "every byte of the contents file read once";
    EXPECT_EQ(contents.writes, 0);

    const Traffic exe = files.Of(kGameExecutableName);
    EXPECT_EQ(exe.opens, 1);
    EXPECT_EQ(exe.bytesRead, Page().loadBytes);
    EXPECT_LE(exe.largestRead, std::size_t{22});
    EXPECT_EQ(exe.writes, 0);
    EXPECT_EQ(files.Of(Page().otherContents).opens, 0);
}

TEST_P(TrafficTest, ApplyOpensTheExecutableOnceAndTouchesOnlyTheAreas) {
    const PageProfile& profile = *Page().profile;
    OptionState state(profile);
    RecordingView view;
    {
        StdioFileSystem plain(folder_.Path());
        LoadPage(profile, state, view, plain);
        ASSERT_TRUE(view.messages.empty()) << Narrow(view.messages.front());
    }
    state.switchFlags[0] = 0;  // a change, so that the apply has something to write

    CountingFileSystem files(folder_.Path());
    ApplyPage(profile, state, view, files);
    ASSERT_EQ(view.messages, std::vector<std::wstring>{kUpdatedMessage});

    // The contents file was read by the load; the apply needs only SH3.exe.
    ASSERT_EQ(files.Files().size(), 1u);
    const Traffic exe = files.Of(kGameExecutableName);
    EXPECT_EQ(exe.opens, 1);
    EXPECT_EQ(exe.bytesWritten, Page().applyBytes);
    // Each area is read twice: its old bytes, kept to undo a failed write,
    // and the bytes written, read back to check them. Nothing else.
    EXPECT_EQ(exe.bytesRead, 2 * Page().applyBytes);
    EXPECT_LE(exe.largestRead, std::size_t{22});

    const Bytes after = folder_.Read(kGameExecutableName);
    EXPECT_EQ(after.size(), std::get<1>(GetParam()));
    EXPECT_EQ(after[Page().switches], 0x00);
    EXPECT_EQ(after[Page().switches + 1], 0xFF);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TrafficTest,
    ::testing::Combine(::testing::ValuesIn(kPages),
                       ::testing::Values(std::size_t{1100000}, std::size_t{6000000})),
    [](const ::testing::TestParamInfo<TrafficTest::ParamType>& param) {
        return std::string(std::get<0>(param.param).name) + "_" +
               std::to_string(std::get<1>(param.param) / 1000) + "KB";
    });

}  // namespace
}  // namespace murn::test
