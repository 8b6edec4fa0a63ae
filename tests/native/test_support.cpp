#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <unistd.h>

namespace murn::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "murn-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempFolder::Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + name);
}

void TempFolder::Write(const std::string& name, const Bytes& bytes) const {
    Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Bytes TempFolder::Read(const std::string& name) const {
    std::ifstream in(path_ + "/" + name, std::ios::binary | std::ios::ate);
    Bytes bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void TempFolder::Remove(const std::string& name) const {
    std::filesystem::remove(path_ + "/" + name);
}

std::string ContentsText(const std::vector<std::string>& labels,
                         const std::vector<std::string>& entryLines) {
    std::string text;
    for (const std::string& label : labels) text += label + "\n";
    for (const std::string& entry : entryLines) text += entry + "\n";
    return text;
}

std::vector<std::string> RowLabels(int count) {
    std::vector<std::string> labels;
    for (int i = 0; i < count; ++i) labels.push_back("Row " + std::to_string(i));
    return labels;
}

ExeImage& ExeImage::Put(std::size_t offset, const Bytes& bytes) {
    if (offset + bytes.size() > bytes_.size()) throw std::out_of_range("ExeImage::Put past the end");
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
}

ExeImage& ExeImage::PutText(std::size_t offset, std::string_view text) {
    return Put(offset, Bytes(text.begin(), text.end()));
}

ExeImage& ExeImage::PutFloat(std::size_t offset, float value) {
    return Put(offset, FloatBytes(value));
}

ExeImage& ExeImage::Fill(std::size_t offset, std::size_t count, std::uint8_t byte) {
    return Put(offset, Bytes(count, byte));
}

Bytes FloatBytes(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

void RecordingView::SetSliderRange(int slider, int maxPosition) {
    calls.push_back("SetSliderRange(" + std::to_string(slider) + "," + std::to_string(maxPosition) + ")");
    sliderMax[slider] = maxPosition;
}

void RecordingView::SetSliderPosition(int slider, int position) {
    calls.push_back("SetSliderPosition(" + std::to_string(slider) + "," + std::to_string(position) + ")");
    sliderPos[slider] = std::clamp(position, 0, sliderMax[slider]);
}

int RecordingView::GetSliderPosition(int slider) {
    calls.push_back("GetSliderPosition(" + std::to_string(slider) + ")");
    return sliderPos[slider];
}

void RecordingView::SetSliderValueText(int slider, const std::wstring& text) {
    calls.push_back("SetSliderValueText(" + std::to_string(slider) + "," + Narrow(text) + ")");
    valueText[slider] = text;
}

void RecordingView::PushStateToControls() { calls.push_back("PushStateToControls"); }

void RecordingView::ShowPageMessage(const std::wstring& text) {
    calls.push_back("ShowPageMessage");
    messages.push_back(text);
}

void RecordingView::CloseAsCancelled() { calls.push_back("CloseAsCancelled"); }
void RecordingView::FinishWithOk() { calls.push_back("FinishWithOk"); }

std::wstring RecordingView::WidenAnsiText(std::string_view text) {
    std::wstring wide;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        wide.push_back(static_cast<wchar_t>(byte < 0x80 ? byte : 0x0400 + byte));
    }
    return wide;
}

const char* FileOpName(FileOp op) {
    switch (op) {
        case FileOp::Open: return "open";
        case FileOp::Seek: return "seek";
        case FileOp::Tell: return "tell";
        case FileOp::Read: return "read";
        case FileOp::Write: return "write";
        case FileOp::Flush: return "flush";
        case FileOp::Close: return "close";
    }
    return "?";
}

namespace {

class FaultInjectingFile : public File {
public:
    FaultInjectingFile(std::unique_ptr<File> real, FaultInjectingFileSystem& owner)
        : real_(std::move(real)), owner_(owner) {}
    ~FaultInjectingFile() override {
        if (!closed_) owner_.Closed();
    }

    bool Seek(std::int64_t offset) override {
        if (!owner_.Next(FileOp::Seek)) return real_->Seek(offset);
        if (Late()) real_->Seek(offset);
        return false;
    }
    bool SeekToEnd() override {
        if (!owner_.Next(FileOp::Seek)) return real_->SeekToEnd();
        if (Late()) real_->SeekToEnd();
        return false;
    }
    std::int64_t Tell() override { return owner_.Next(FileOp::Tell) ? -1 : real_->Tell(); }
    std::size_t Read(void* buffer, std::size_t size, bool& failed) override {
        if (!owner_.Next(FileOp::Read)) return real_->Read(buffer, size, failed);
        switch (owner_.Style()) {
            case FaultStyle::Quiet: return real_->Read(buffer, size / 2, failed);
            case FaultStyle::Late: {
                const std::size_t got = real_->Read(buffer, size, failed);
                failed = true;
                return got;
            }
            case FaultStyle::Loud: break;
        }
        failed = true;
        return 0;
    }
    // A failed write may still have put part of its bytes into the file, as
    // a full disk would: the first half goes through.
    bool Write(const void* buffer, std::size_t size) override {
        if (!owner_.Next(FileOp::Write)) return real_->Write(buffer, size);
        switch (owner_.Style()) {
            case FaultStyle::Quiet: return true;
            case FaultStyle::Late: real_->Write(buffer, size); return false;
            case FaultStyle::Loud: break;
        }
        real_->Write(buffer, size / 2);
        return false;
    }
    bool Flush() override {
        if (!owner_.Next(FileOp::Flush)) return real_->Flush();
        if (Late()) real_->Flush();
        return false;
    }
    bool Close() override {
        const bool fail = owner_.Next(FileOp::Close);
        // The file is closed in any case; only the report differs.
        const bool closed = real_->Close();
        if (!closed_) owner_.Closed();
        closed_ = true;
        return closed && !fail;
    }

private:
    bool Late() const { return owner_.Style() == FaultStyle::Late; }

    std::unique_ptr<File> real_;
    FaultInjectingFileSystem& owner_;
    bool closed_ = false;
};

}  // namespace

bool FaultInjectingFileSystem::Next(FileOp op) {
    ++count_;
    log_.push_back(op);
    const bool fail =
        (failAt_ > 0 && (count_ == failAt_ || (sticky_ && count_ > failAt_))) || count_ == failAlso_;
    if (fail) injected_ = true;
    return fail;
}

std::unique_ptr<File> FaultInjectingFileSystem::Open(const std::string& name, OpenMode mode) {
    opened_.push_back(name);
    if (Next(FileOp::Open)) return nullptr;
    std::unique_ptr<File> file = real_.Open(name, mode);
    if (!file) return nullptr;
    ++openFiles_;
    return std::make_unique<FaultInjectingFile>(std::move(file), *this);
}

}  // namespace murn::test
