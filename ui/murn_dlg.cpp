#include "murn_dlg.h"

#include <iterator>

#include "resource.h"
#include "zarvolin_dialog.h"

namespace {

// Row 16's label is 1064 and row 21's check box 1065: 1032 to 1035 were
// already taken by the other controls.
constexpr SwitchRowControls kRows[] = {
    {1000, 1001}, {1003, 1002}, {1005, 1004}, {1007, 1006}, {1009, 1008}, {1011, 1010},
    {1013, 1012}, {1015, 1014}, {1017, 1016}, {1019, 1018}, {1021, 1020}, {1023, 1022},
    {1025, 1024}, {1027, 1026}, {1029, 1028}, {1031, 1030}, {1036, 1064}, {1038, 1037},
    {1040, 1039}, {1042, 1041}, {1044, 1043}, {1065, 1045},
};
static_assert(std::size(kRows) == 22);

constexpr PageControls kControls{
    kRows,
    {{{IDC_SLIDER1, IDC_SLIDER1_VALUE}, {IDC_SLIDER2, IDC_SLIDER2_VALUE}}},
    IDC_VERSION,
    IDC_LARGE_ADDRESS,
};

}  // namespace

CMurnDlg::CMurnDlg() : CPageDialog(IDD_MURN_OPTIONS, murn::MainPageProfile, kControls) {
    // The mods page comes back to this one unchanged, whatever it did.
    MapClick(IDC_ZARVOLIN_MODS, [] {
        CZarvolinDialog mods;
        mods.DoModal();
    });
}

bool CMurnDlg::OnInitDialog() {
    CPageDialog::OnInitDialog();
    // TODO(about box): the "&About Murn..." system-menu entry (string 101)
    // and the big and small window icons (icon 128) are added here, before
    // the load, so that they are in place even for the load's message box.
    LoadOptions();
    return true;
}
