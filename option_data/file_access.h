#pragma once
// The one place where the option data touches files. Every open, seek, tell,
// read, write, flush and close goes through these two interfaces, so that the
// tests can make any single operation fail; the program itself always uses
// the stdio implementation returned by DefaultFileSystem().

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace murn {

class File {
public:
    virtual ~File() = default;
    // Absolute seek from the start of the file; a 64-bit offset, so that
    // position + 4 of the largest 32-bit position is still exact.
    virtual bool Seek(std::int64_t offset) = 0;
    virtual bool SeekToEnd() = 0;
    // The current position, or -1 when it cannot be told.
    virtual std::int64_t Tell() = 0;
    // Reads up to size bytes; returns how many were read. A short count is
    // the end of the file unless failed is set.
    virtual std::size_t Read(void* buffer, std::size_t size, bool& failed) = 0;
    virtual bool Write(const void* buffer, std::size_t size) = 0;
    virtual bool Flush() = 0;
    // Closes the file; true when everything written reached the system.
    // The destructor closes a file that was not closed, ignoring the result.
    virtual bool Close() = 0;
};

enum class OpenMode {
    ReadOnly,    // "rb": the file must exist
    ReadUpdate,  // "r+b": the file must exist; nothing is created or truncated
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens a file by its bare name; null when it cannot be opened.
    virtual std::unique_ptr<File> Open(const std::string& name, OpenMode mode) = 0;
};

// Files opened and closed through the C runtime's streams, always in binary
// mode, and read and written at explicit offsets through the descriptor
// beneath the stream (no call for a seek). With an
// empty folder, names are looked up in the current directory, as the tool
// does; the tests give a folder of their own.
class StdioFileSystem final : public FileSystem {
public:
    explicit StdioFileSystem(std::string folder = {});
    std::unique_ptr<File> Open(const std::string& name, OpenMode mode) override;

private:
    std::string folder_;
};

FileSystem& DefaultFileSystem();

}  // namespace murn
