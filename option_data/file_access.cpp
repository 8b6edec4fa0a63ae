#include "file_access.h"

#include <cstdio>
#include <utility>

namespace murn {
namespace {

class StdioFile final : public File {
public:
    explicit StdioFile(std::FILE* stream) : stream_(stream) {}
    ~StdioFile() override {
        if (stream_ != nullptr) std::fclose(stream_);
    }
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;

    bool Seek(std::int64_t offset) override {
        if (offset < 0) return false;
        return SeekTo(offset, SEEK_SET);
    }
    bool SeekToEnd() override { return SeekTo(0, SEEK_END); }

    std::int64_t Tell() override {
#ifdef _WIN32
        return _ftelli64(stream_);
#else
        return static_cast<std::int64_t>(ftello(stream_));
#endif
    }

    std::size_t Read(void* buffer, std::size_t size, bool& failed) override {
        const std::size_t got = std::fread(buffer, 1, size, stream_);
        failed = got < size && std::ferror(stream_) != 0;
        return got;
    }

    bool Write(const void* buffer, std::size_t size) override {
        return std::fwrite(buffer, 1, size, stream_) == size;
    }

    bool Flush() override { return std::fflush(stream_) == 0; }

    bool Close() override {
        std::FILE* stream = stream_;
        stream_ = nullptr;
        return stream != nullptr && std::fclose(stream) == 0;
    }

private:
    bool SeekTo(std::int64_t offset, int origin) {
#ifdef _WIN32
        return _fseeki64(stream_, offset, origin) == 0;
#else
        return fseeko(stream_, static_cast<off_t>(offset), origin) == 0;
#endif
    }

    std::FILE* stream_;
};

}  // namespace

StdioFileSystem::StdioFileSystem(std::string folder) : folder_(std::move(folder)) {}

std::unique_ptr<File> StdioFileSystem::Open(const std::string& name, OpenMode mode) {
    const std::string path = folder_.empty() ? name : folder_ + "/" + name;
    std::FILE* stream = std::fopen(path.c_str(), mode == OpenMode::ReadOnly ? "rb" : "r+b");
    if (stream == nullptr) return nullptr;
    // The areas are a few bytes each: a 4 KB buffer would turn every one of
    // them into a block read, and every write into a read of the block first.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return std::make_unique<StdioFile>(stream);
}

FileSystem& DefaultFileSystem() {
    static StdioFileSystem files;
    return files;
}

}  // namespace murn
