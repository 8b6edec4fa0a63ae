#pragma once
// What the main page and the mods page share: a dialog whose switch rows and
// sliders are described by a table of control IDs, which binds them to the
// page's OptionState and serves as the page's PageView.

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "dialog.h"
#include "page.h"
#include "trackbar.h"

struct SwitchRowControls {
    int checkBoxId;
    int labelId;
};

struct SliderControls {
    int trackbarId;
    int valueLabelId;
};

struct PageControls {
    std::span<const SwitchRowControls> rows;  // row i is switch i
    std::array<SliderControls, 2> sliders;    // slider 0 first
    int versionBoxId;                         // 0: the page has none
    int largeAddressBoxId;                    // 0: the page has none
};

class CPageDialog : public CDialog, public murn::PageView {
public:
    CPageDialog(int templateId, const murn::PageProfile& profile, const PageControls& controls);

protected:
    // Reads the page's files into the controls, or shows why not and closes.
    void LoadOptions();

    void DoDataExchange(CDataExchange& dx) override;
    void OnHScroll(int code, int position, HWND scrollBar) override;

    void SetSliderRange(int slider, int maxPosition) override;
    void SetSliderPosition(int slider, int position) override;
    int GetSliderPosition(int slider) override;
    void SetSliderValueText(int slider, const std::wstring& text) override;
    void PushStateToControls() override;
    void ShowPageMessage(const std::wstring& text) override;
    void CloseAsCancelled() override;
    void FinishWithOk() override;
    std::wstring WidenAnsiText(std::string_view text) override;

private:
    CSliderCtrl Slider(int slider) const;

    const murn::PageProfile& profile_;
    const PageControls& controls_;
    murn::OptionState state_;
};
