#include "file_access.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace murn {
namespace {

// The stream is opened by the C runtime, so that "rb" and "r+b" mean exactly
// what they always mean (on Windows the sharing with other processes too),
// and closed by it. Its bytes, though, are read and written at explicit
// offsets through the descriptor beneath it: a seek only moves the position
// kept here, and every area costs one positioned call on POSIX systems (a
// seek and a transfer on Windows) rather than the stream's own seek and
// transfer. The stream itself never reads or writes a byte, so it never holds
// one that the system has not seen.
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
        position_ = offset;
        return true;
    }

    bool SeekToEnd() override {
        const std::int64_t length = Length();
        if (length < 0) return false;
        position_ = length;
        return true;
    }

    std::int64_t Tell() override { return position_; }

    std::size_t Read(void* buffer, std::size_t size, bool& failed) override {
        failed = false;
        auto* bytes = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < size) {
            const long long got = ReadAt(bytes + done, size - done, position_);
            if (got < 0) {
                failed = true;
                break;
            }
            if (got == 0) break;  // the end of the file
            done += static_cast<std::size_t>(got);
            position_ += got;
        }
        return done;
    }

    bool Write(const void* buffer, std::size_t size) override {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < size) {
            const long long put = WriteAt(bytes + done, size - done, position_);
            if (put <= 0) return false;
            done += static_cast<std::size_t>(put);
            position_ += put;
        }
        return true;
    }

    // Nothing waits in the stream (see above), so this passes at once; it is
    // kept so that a stream that did buffer would still be asked.
    bool Flush() override { return std::fflush(stream_) == 0; }

    bool Close() override {
        std::FILE* stream = stream_;
        stream_ = nullptr;
        return stream != nullptr && std::fclose(stream) == 0;
    }

private:
#ifdef _WIN32
    // The C runtime has no positioned read or write: each is a seek of the
    // descriptor and the transfer, with nothing of the stream in between.
    // At most this much per call, so that a count always fits an unsigned.
    static constexpr std::size_t kMostPerCall = std::size_t{1} << 30;

    int Descriptor() const { return _fileno(stream_); }

    std::int64_t Length() const { return _filelengthi64(Descriptor()); }

    // The bytes read, 0 at the end of the file, -1 on an error.
    long long ReadAt(void* buffer, std::size_t size, std::int64_t offset) const {
        if (_lseeki64(Descriptor(), offset, SEEK_SET) != offset) return -1;
        return _read(Descriptor(), buffer, static_cast<unsigned>(std::min(size, kMostPerCall)));
    }

    long long WriteAt(const void* buffer, std::size_t size, std::int64_t offset) const {
        if (_lseeki64(Descriptor(), offset, SEEK_SET) != offset) return -1;
        return _write(Descriptor(), buffer, static_cast<unsigned>(std::min(size, kMostPerCall)));
    }
#else
    std::int64_t Length() const {
        struct stat status {};
        if (::fstat(fileno(stream_), &status) != 0) return -1;
        return static_cast<std::int64_t>(status.st_size);
    }

    long long ReadAt(void* buffer, std::size_t size, std::int64_t offset) const {
        ssize_t got = 0;
        do {
            got = ::pread(fileno(stream_), buffer, size, static_cast<off_t>(offset));
        } while (got < 0 && errno == EINTR);
        return got;
    }

    long long WriteAt(const void* buffer, std::size_t size, std::int64_t offset) const {
        ssize_t put = 0;
        do {
            put = ::pwrite(fileno(stream_), buffer, size, static_cast<off_t>(offset));
        } while (put < 0 && errno == EINTR);
        return put;
    }
#endif

    std::FILE* stream_;
    std::int64_t position_ = 0;
};

}  // namespace

StdioFileSystem::StdioFileSystem(std::string folder) : folder_(std::move(folder)) {}

std::unique_ptr<File> StdioFileSystem::Open(const std::string& name, OpenMode mode) {
    const std::string path = folder_.empty() ? name : folder_ + "/" + name;
    std::FILE* stream = std::fopen(path.c_str(), mode == OpenMode::ReadOnly ? "rb" : "r+b");
    if (stream == nullptr) return nullptr;
    // Unbuffered, so that the stream can never hold bytes of its own.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return std::make_unique<StdioFile>(stream);
}

FileSystem& DefaultFileSystem() {
    static StdioFileSystem files;
    return files;
}

}  // namespace murn
