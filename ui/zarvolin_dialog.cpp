#include "zarvolin_dialog.h"

#include <commctrl.h>

#include <iterator>

#include "resource.h"

namespace {

// Rows 0 to 11 have the main page's IDs; row 12 swaps them: 1024 is the
// check box here.
constexpr SwitchRowControls kRows[] = {
    {1000, 1001}, {1003, 1002}, {1005, 1004}, {1007, 1006}, {1009, 1008}, {1011, 1010}, {1013, 1012},
    {1015, 1014}, {1017, 1016}, {1019, 1018}, {1021, 1020}, {1023, 1022}, {1024, 1025},
};
static_assert(std::size(kRows) == 13);

constexpr PageControls kControls{
    kRows,
    {{{IDC_SLIDER1, IDC_SLIDER1_VALUE}, {IDC_SLIDER2, IDC_SLIDER2_VALUE}}},
    0,
    0,
};

}  // namespace

CZarvolinDialog::CZarvolinDialog() : CPageDialog(IDD_ZARVOLIN_MODS, murn::ModsPageProfile, kControls) {
    // The trackbars draw themselves the ordinary way.
    for (const SliderControls& slider : kControls.sliders)
        MapNotify(slider.trackbarId, NM_CUSTOMDRAW, [](const NMHDR&) -> LRESULT { return CDRF_DODEFAULT; });
}

bool CZarvolinDialog::OnInitDialog() {
    CPageDialog::OnInitDialog();
    LoadOptions();
    return true;
}
