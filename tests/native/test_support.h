#pragma once
// Fixtures for the option-data tests: a temporary game folder, builders for
// contents files and SH3.exe images, a view that records what a page does,
// and a file system that fails the Nth file operation.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "file_access.h"
#include "page.h"

namespace murn::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    void Write(const std::string& name, std::string_view bytes) const;
    void Write(const std::string& name, const Bytes& bytes) const;
    Bytes Read(const std::string& name) const;
    void Remove(const std::string& name) const;

private:
    std::string path_;
};

// Contents-file text: the labels, one per line, then the entry lines.
std::string ContentsText(const std::vector<std::string>& labels,
                         const std::vector<std::string>& entryLines);
// Labels "Row 0", "Row 1", ... of the given count.
std::vector<std::string> RowLabels(int count);

// An SH3.exe image: zero bytes with the patch areas put in.
class ExeImage {
public:
    explicit ExeImage(std::size_t length) : bytes_(length, 0) {}
    ExeImage& Put(std::size_t offset, const Bytes& bytes);
    ExeImage& PutText(std::size_t offset, std::string_view text);
    ExeImage& PutFloat(std::size_t offset, float value);
    ExeImage& Fill(std::size_t offset, std::size_t count, std::uint8_t byte);
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

Bytes FloatBytes(float value);

// Records every view call as one text line, e.g. "SetSliderRange(0,6)".
// Sliders behave like trackbars: a position is kept inside the range.
class RecordingView : public PageView {
public:
    std::vector<std::string> calls;
    std::vector<std::wstring> messages;
    int sliderMax[2] = {0, 0};
    int sliderPos[2] = {0, 0};
    std::wstring valueText[2];

    void SetSliderRange(int slider, int maxPosition) override;
    void SetSliderPosition(int slider, int position) override;
    int GetSliderPosition(int slider) override;
    void SetSliderValueText(int slider, const std::wstring& text) override;
    void PushStateToControls() override;
    void ShowPageMessage(const std::wstring& text) override;
    void CloseAsCancelled() override;
    void FinishWithOk() override;
    // A fixed single-byte mapping: ASCII as it is, bytes from 0x80 up to
    // U+0400 + byte, so that a test can tell the widening happened here.
    std::wstring WidenAnsiText(std::string_view text) override;
};

std::string Narrow(const std::wstring& text);

// Which file operations there are, for counting and for failing one of them.
enum class FileOp { Open, Seek, Tell, Read, Write, Flush, Close };
const char* FileOpName(FileOp op);

// How an injected fault shows.
enum class FaultStyle {
    Loud,   // the operation fails and says so: a read gets nothing, a write stores half
    Quiet,  // a read comes back short and a write stores nothing, both reporting success
    Late,   // the operation is carried out in full, then reports an error
};

// Passes every operation to the real files in a folder, counting them; the
// operation with number failAt (counted from 1) fails, and with sticky every
// one after it too. failAt 0 fails nothing.
class FaultInjectingFileSystem : public FileSystem {
public:
    explicit FaultInjectingFileSystem(const std::string& folder, int failAt = 0, bool sticky = false)
        : real_(folder), failAt_(failAt), sticky_(sticky) {}

    std::unique_ptr<File> Open(const std::string& name, OpenMode mode) override;
    int Count() const { return count_; }
    bool Injected() const { return injected_; }
    const std::vector<FileOp>& Log() const { return log_; }
    // The names of the files opened, in order, whether or not the open failed.
    const std::vector<std::string>& Opened() const { return opened_; }
    int OpenFiles() const { return openFiles_; }

    void SetStyle(FaultStyle style) { style_ = style; }
    FaultStyle Style() const { return style_; }
    void SetQuiet(bool quiet) { style_ = quiet ? FaultStyle::Quiet : FaultStyle::Loud; }
    bool Quiet() const { return style_ == FaultStyle::Quiet; }
    // One more operation, by its number, that fails whatever failAt says: two
    // faults in one run.
    void FailAlso(int operation) { failAlso_ = operation; }

    // Counts one operation; true when it is to fail.
    bool Next(FileOp op);
    void Closed() { --openFiles_; }

private:
    StdioFileSystem real_;
    int failAt_;
    bool sticky_;
    FaultStyle style_ = FaultStyle::Loud;
    int failAlso_ = 0;
    int count_ = 0;
    bool injected_ = false;
    int openFiles_ = 0;
    std::vector<FileOp> log_;
    std::vector<std::string> opened_;
};

}  // namespace murn::test
