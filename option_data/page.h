#pragma once
// The two pages' load and apply sequences, the constants that tell the pages
// apart, and every message text of the tool.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "file_access.h"
#include "slider_scale.h"

namespace murn {

struct PageProfile {
    const char* contentsFileName;
    int rowCount;  // switch rows = labels = switch bytes
    int stopAboveRows;
    bool mainPageAreas;
    std::array<const SliderScale*, 2> sliderScales;
    const wchar_t* missingContentsMessage;
    const wchar_t* rowCountMessage;
    const wchar_t* switchPositionMessage;
    const wchar_t* sliderPositionMessage;
    const wchar_t* noSwitchOnMessage;
    const wchar_t* versionMismatchMessage;  // null on the mods page
};

extern const PageProfile MainPageProfile;
extern const PageProfile ModsPageProfile;

// Messages that both pages share.
inline constexpr const wchar_t* kExeMissingMessage = L"Cannot locate file SH3.exe in this folder.";
inline constexpr const wchar_t* kExeUnpatchedMessage =
    L"This is the *unpatched* SH3.exe!\n It must be patched first!";
inline constexpr const wchar_t* kExeLacksSwitchesMessage =
    L"SH3.exe lacks the patch switches - file not patched or corrupt.";
inline constexpr const wchar_t* kNoSwitchOnSuffix =
    L"\nAll switches must have values 0 or FF, with at least one FF.";
inline constexpr const wchar_t* kReadFailedMessage =
    L"Reading SH3.exe failed - the options were not loaded.";
inline constexpr const wchar_t* kUpdatedMessage = L"Your SH3.exe file is now updated.";
inline constexpr const wchar_t* kNotUpdatedMessage =
    L"Cannot find your file 'SH3.exe'. Is it open somewhere? Sh3.exe file not updated.";
inline constexpr const wchar_t* kAreasOutsideFileMessage =
    L"SH3.exe lacks the patch areas - file not patched or corrupt. Sh3.exe file not updated.";
inline constexpr const wchar_t* kWriteUndoneMessage =
    L"Writing SH3.exe failed and was undone. Sh3.exe file not updated.";
inline constexpr const wchar_t* kWriteFailedMessage =
    L"Writing SH3.exe failed - the file may be only partly updated.";

struct OptionState {
    explicit OptionState(const PageProfile& profile)
        : switchFlags(static_cast<std::size_t>(profile.rowCount), 0),
          rowLabels(static_cast<std::size_t>(profile.rowCount)) {}

    std::vector<std::int32_t> switchFlags;  // 1 = on; entry i is row i
    std::int32_t largeAddressFlag = 0;      // main page only
    std::vector<std::wstring> rowLabels;
    std::wstring versionDisplay;  // main page only
    std::array<std::int32_t, 2> sliderPositions{};
    std::int32_t switchPosition = 0;
    std::int32_t sliderPosition = 0;
    std::wstring pageMessage;  // empty: none
};

// What a page's dialog provides; the sequences reach the window only here.
// Slider 0 is the page's first slider, slider 1 its second.
class PageView {
public:
    virtual ~PageView() = default;
    virtual void SetSliderRange(int slider, int maxPosition) = 0;
    virtual void SetSliderPosition(int slider, int position) = 0;
    virtual int GetSliderPosition(int slider) = 0;
    virtual void SetSliderValueText(int slider, const std::wstring& text) = 0;
    virtual void PushStateToControls() = 0;
    virtual void ShowPageMessage(const std::wstring& text) = 0;
    virtual void CloseAsCancelled() = 0;
    virtual void FinishWithOk() = 0;
    // 8-bit text to wide text through the thread's ANSI code page.
    virtual std::wstring WidenAnsiText(std::string_view text) = 0;
};

void LoadPage(const PageProfile& profile, OptionState& state, PageView& view,
              FileSystem& files = DefaultFileSystem());
void ApplyPage(const PageProfile& profile, OptionState& state, PageView& view,
               FileSystem& files = DefaultFileSystem());

}  // namespace murn

namespace murn {
// The version read from SH3.exe against the one the contents file expects:
// equal lengths, letters A to Z in either case, every other byte exact.
bool VersionTextsMatch(std::string_view fromExe, std::string_view expected);
}  // namespace murn
