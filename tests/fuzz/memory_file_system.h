#pragma once
// Files held in memory for the fuzz targets, so that a run touches no disk.
// A file may be sparse (a few stored pieces over zeros, up to a length of its
// own), which lets a game executable of a million bytes cost a few hundred.
// Every operation is counted and one of them can be made to fail; writes are
// kept apart from the stored bytes so that a harness can tell what changed.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "file_access.h"

namespace murn::fuzz {

class MemoryImage {
public:
    MemoryImage() = default;
    explicit MemoryImage(std::span<const std::uint8_t> bytes);

    // Stores bytes at offset; the length grows to cover them. A later piece
    // hides an earlier one where they overlap.
    void Place(std::int64_t offset, std::span<const std::uint8_t> bytes);
    void SetLength(std::int64_t length) { length_ = length; }
    std::int64_t Length() const { return length_; }

    // The byte at offset as the file holds it now; zero where nothing was
    // stored or written, and also past the end (callers check the length).
    std::uint8_t At(std::int64_t offset) const;
    // The byte as it was before any write.
    std::uint8_t OriginalAt(std::int64_t offset) const;
    // count bytes from offset as the file holds them now, into out.
    void CopyOut(std::int64_t offset, std::size_t count, std::uint8_t* out) const;

    // As a file does: a write past the end lengthens the file, the gap reading as zeros.
    void Write(std::int64_t offset, std::span<const std::uint8_t> bytes);
    const std::map<std::int64_t, std::uint8_t>& Written() const { return written_; }
    // The length when the image was handed to a MemoryFileSystem.
    std::int64_t OriginalLength() const { return originalLength_; }
    void Seal() { originalLength_ = length_; }

private:
    struct Piece {
        std::int64_t offset;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Piece> pieces_;
    std::map<std::int64_t, std::uint8_t> written_;
    std::int64_t length_ = 0;
    std::int64_t originalLength_ = 0;
};

enum class MemoryOp { Open, Seek, Tell, Read, Write, Flush, Close };

class MemoryFileSystem final : public FileSystem {
public:
    // updatable false: the file opens for reading only, as a read-only file
    // or one that the game holds open would.
    MemoryImage& Add(const std::string& name, MemoryImage image, bool updatable = true);
    const MemoryImage* Find(const std::string& name) const;

    // Operation number failAt (counted from 1) fails; with sticky, every one
    // after it too. A failed write still puts the first half of its bytes in,
    // as a full disk may. A quiet fault is one that the system does not
    // report: a read that gives half of what it should and no error, a write
    // that keeps half its bytes and says it kept them all. Other operations
    // fail loudly either way.
    void FailAt(int failAt, bool sticky, bool quiet = false) {
        failAt_ = failAt;
        sticky_ = sticky;
        quiet_ = quiet;
    }
    bool Quiet() const { return quiet_; }
    // At most this many bytes per read, as a pipe or a network file may give.
    void LimitReads(std::size_t bytes) { readLimit_ = bytes; }

    std::unique_ptr<File> Open(const std::string& name, OpenMode mode) override;

    bool Injected() const { return injected_; }
    const std::vector<MemoryOp>& Log() const { return log_; }
    // Names in the order of the attempts to open them, with the mode asked for.
    const std::vector<std::pair<std::string, OpenMode>>& Opened() const { return opened_; }
    int OpenFiles() const { return openFiles_; }
    // Calls on a file after its Close; a correct caller makes none.
    int CallsAfterClose() const { return callsAfterClose_; }

    // Internal to the files it hands out.
    bool Next(MemoryOp op);
    void FileClosed() { --openFiles_; }
    void CallAfterClose() { ++callsAfterClose_; }
    std::size_t ReadLimit() const { return readLimit_; }

private:
    struct Stored {
        MemoryImage image;
        bool updatable;
    };
    std::map<std::string, Stored> files_;
    int failAt_ = 0;
    bool sticky_ = false;
    bool quiet_ = false;
    bool injected_ = false;
    std::size_t readLimit_ = 0;
    int openFiles_ = 0;
    int callsAfterClose_ = 0;
    std::vector<MemoryOp> log_;
    std::vector<std::pair<std::string, OpenMode>> opened_;
};

}  // namespace murn::fuzz
