#include "page_dialog.h"

#include "app.h"
#include "help.h"
#include "resource.h"

namespace {

// What an edit of the page may hold when it is read back on OK. Labels of
// rows 18 and above may be longer, and then keep the page open.
constexpr int kTextBoxMaxChars = 28;

void FlipFlag(std::int32_t& flag) { flag = flag == 1 ? 0 : 1; }

}  // namespace

CPageDialog::CPageDialog(int templateId, const murn::PageProfile& profile, const PageControls& controls)
    : CDialog(templateId), profile_(profile), controls_(controls), state_(profile) {
    // A click flips the flag and nothing else: the auto check box flips its
    // own mark on the same click, so the two stay equal.
    for (std::size_t row = 0; row < controls_.rows.size(); ++row)
        MapClick(controls_.rows[row].checkBoxId, [this, row] { FlipFlag(state_.switchFlags[row]); });
    if (controls_.largeAddressBoxId != 0)
        MapClick(controls_.largeAddressBoxId, [this] { FlipFlag(state_.largeAddressFlag); });
    MapClick(IDOK, [this] { murn::ApplyPage(profile_, state_, *this); });
    MapClick(IDC_HELP_BUTTON, OpenHelpFile);
}

void CPageDialog::LoadOptions() { murn::LoadPage(profile_, state_, *this); }

void CPageDialog::DoDataExchange(CDataExchange& dx) {
    const std::span<const SwitchRowControls> rows = controls_.rows;
    for (std::size_t row = 0; row < rows.size(); ++row)
        DDX_Check(dx, rows[row].checkBoxId, state_.switchFlags[row]);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        DDX_Text(dx, rows[row].labelId, state_.rowLabels[row]);
        DDV_MaxChars(dx, rows[row].labelId, state_.rowLabels[row], kTextBoxMaxChars);
    }
    if (controls_.versionBoxId != 0) {
        DDX_Text(dx, controls_.versionBoxId, state_.versionDisplay);
        DDV_MaxChars(dx, controls_.versionBoxId, state_.versionDisplay, kTextBoxMaxChars);
    }
    if (controls_.largeAddressBoxId != 0) DDX_Check(dx, controls_.largeAddressBoxId, state_.largeAddressFlag);
    // The sliders are set by the load itself, so they only come back.
    if (dx.saveAndValidate && !dx.Failed()) {
        for (int slider = 0; slider < 2; ++slider)
            state_.sliderPositions[static_cast<std::size_t>(slider)] = GetSliderPosition(slider);
    }
}

// The text follows the position the trackbar holds now, whatever the
// notification says, so every kind of movement refreshes it.
void CPageDialog::OnHScroll(int code, int position, HWND scrollBar) {
    const int id = scrollBar != nullptr ? GetDlgCtrlID(scrollBar) : 0;
    for (int slider = 0; slider < 2; ++slider) {
        const std::size_t s = static_cast<std::size_t>(slider);
        if (controls_.sliders[s].trackbarId == id)
            SetSliderValueText(slider, profile_.sliderScales[s]->ValueText(GetSliderPosition(slider)));
    }
    CDialog::OnHScroll(code, position, scrollBar);
}

CSliderCtrl CPageDialog::Slider(int slider) const {
    return CSliderCtrl(GetItem(controls_.sliders[static_cast<std::size_t>(slider)].trackbarId));
}

void CPageDialog::SetSliderRange(int slider, int maxPosition) { Slider(slider).SetRange(0, maxPosition, false); }

void CPageDialog::SetSliderPosition(int slider, int position) { Slider(slider).SetPos(position); }

int CPageDialog::GetSliderPosition(int slider) { return Slider(slider).GetPos(); }

void CPageDialog::SetSliderValueText(int slider, const std::wstring& text) {
    SetItemText(controls_.sliders[static_cast<std::size_t>(slider)].valueLabelId, text);
}

void CPageDialog::PushStateToControls() { UpdateData(false); }

void CPageDialog::ShowPageMessage(const std::wstring& text) { AfxMessageBox(text); }

void CPageDialog::CloseAsCancelled() { OnCancel(); }

void CPageDialog::FinishWithOk() { CDialog::OnOK(); }

std::wstring CPageDialog::WidenAnsiText(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int wideSize = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, nullptr, 0);
    if (wideSize <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, wide.data(), wideSize);
    return wide;
}
