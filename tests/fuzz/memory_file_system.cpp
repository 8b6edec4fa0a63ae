#include "memory_file_system.h"

#include <algorithm>

namespace murn::fuzz {

MemoryImage::MemoryImage(std::span<const std::uint8_t> bytes) { Place(0, bytes); }

void MemoryImage::Place(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    pieces_.push_back({offset, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
    length_ = std::max(length_, offset + static_cast<std::int64_t>(bytes.size()));
}

std::uint8_t MemoryImage::OriginalAt(std::int64_t offset) const {
    for (auto piece = pieces_.rbegin(); piece != pieces_.rend(); ++piece) {
        const std::int64_t index = offset - piece->offset;
        if (index >= 0 && index < static_cast<std::int64_t>(piece->bytes.size()))
            return piece->bytes[static_cast<std::size_t>(index)];
    }
    return 0;
}

std::uint8_t MemoryImage::At(std::int64_t offset) const {
    const auto written = written_.find(offset);
    return written != written_.end() ? written->second : OriginalAt(offset);
}

void MemoryImage::CopyOut(std::int64_t offset, std::size_t count, std::uint8_t* out) const {
    std::fill(out, out + count, std::uint8_t{0});
    const std::int64_t end = offset + static_cast<std::int64_t>(count);
    for (const Piece& piece : pieces_) {
        const std::int64_t pieceEnd = piece.offset + static_cast<std::int64_t>(piece.bytes.size());
        const std::int64_t from = std::max(offset, piece.offset);
        const std::int64_t to = std::min(end, pieceEnd);
        if (from < to)
            std::copy(piece.bytes.begin() + (from - piece.offset), piece.bytes.begin() + (to - piece.offset),
                      out + (from - offset));
    }
    for (auto w = written_.lower_bound(offset); w != written_.end() && w->first < end; ++w)
        out[w->first - offset] = w->second;
}

void MemoryImage::Write(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) written_[offset + static_cast<std::int64_t>(i)] = bytes[i];
    length_ = std::max(length_, offset + static_cast<std::int64_t>(bytes.size()));
}

namespace {

class MemoryFile final : public File {
public:
    MemoryFile(MemoryImage& image, bool writable, MemoryFileSystem& owner)
        : image_(image), writable_(writable), owner_(owner) {}
    ~MemoryFile() override {
        if (!closed_) owner_.FileClosed();
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool Seek(std::int64_t offset) override {
        if (Unusable(MemoryOp::Seek) || offset < 0) return false;
        position_ = offset;
        return true;
    }
    bool SeekToEnd() override {
        if (Unusable(MemoryOp::Seek)) return false;
        position_ = image_.Length();
        return true;
    }
    std::int64_t Tell() override { return Unusable(MemoryOp::Tell) ? -1 : position_; }

    std::size_t Read(void* buffer, std::size_t size, bool& failed) override {
        if (closed_) {
            owner_.CallAfterClose();
            failed = true;
            return 0;
        }
        const bool fail = owner_.Next(MemoryOp::Read);
        failed = fail && !owner_.Quiet();
        if (failed) return 0;
        const std::int64_t left = std::max<std::int64_t>(image_.Length() - position_, 0);
        std::size_t count = std::min(size, static_cast<std::size_t>(left));
        if (owner_.ReadLimit() > 0) count = std::min(count, owner_.ReadLimit());
        if (fail) count /= 2;
        image_.CopyOut(position_, count, static_cast<std::uint8_t*>(buffer));
        position_ += static_cast<std::int64_t>(count);
        return count;
    }

    bool Write(const void* buffer, std::size_t size) override {
        if (closed_) {
            owner_.CallAfterClose();
            return false;
        }
        const bool fail = owner_.Next(MemoryOp::Write);
        if (!writable_) return false;
        const std::size_t count = fail ? size / 2 : size;
        image_.Write(position_, {static_cast<const std::uint8_t*>(buffer), count});
        position_ += static_cast<std::int64_t>(count);
        return !fail || owner_.Quiet();
    }

    bool Flush() override { return !Unusable(MemoryOp::Flush); }

    bool Close() override {
        if (closed_) {
            owner_.CallAfterClose();
            return false;
        }
        // The file is closed even when the close reports a failure.
        const bool fail = owner_.Next(MemoryOp::Close);
        closed_ = true;
        owner_.FileClosed();
        return !fail;
    }

private:
    // Counts the operation; true when it must fail.
    bool Unusable(MemoryOp op) {
        if (closed_) {
            owner_.CallAfterClose();
            return true;
        }
        return owner_.Next(op);
    }

    MemoryImage& image_;
    bool writable_;
    MemoryFileSystem& owner_;
    std::int64_t position_ = 0;
    bool closed_ = false;
};

}  // namespace

MemoryImage& MemoryFileSystem::Add(const std::string& name, MemoryImage image, bool updatable) {
    image.Seal();
    Stored& stored = files_[name];
    stored = Stored{std::move(image), updatable};
    return stored.image;
}

const MemoryImage* MemoryFileSystem::Find(const std::string& name) const {
    const auto found = files_.find(name);
    return found == files_.end() ? nullptr : &found->second.image;
}

bool MemoryFileSystem::Next(MemoryOp op) {
    log_.push_back(op);
    const int count = static_cast<int>(log_.size());
    const bool fail = failAt_ > 0 && (count == failAt_ || (sticky_ && count > failAt_));
    if (fail) injected_ = true;
    return fail;
}

std::unique_ptr<File> MemoryFileSystem::Open(const std::string& name, OpenMode mode) {
    opened_.emplace_back(name, mode);
    if (Next(MemoryOp::Open)) return nullptr;
    const auto found = files_.find(name);
    if (found == files_.end()) return nullptr;
    const bool forUpdate = mode == OpenMode::ReadUpdate;
    if (forUpdate && !found->second.updatable) return nullptr;
    ++openFiles_;
    return std::make_unique<MemoryFile>(found->second.image, forUpdate, *this);
}

}  // namespace murn::fuzz
