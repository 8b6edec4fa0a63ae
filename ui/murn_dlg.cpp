#include "murn_dlg.h"

#include <iterator>

#include "about_dlg.h"
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

CMurnDlg::CMurnDlg()
    : CPageDialog(IDD_MURN_OPTIONS, murn::MainPageProfile, kControls),
      icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MURN))) {
    // The mods page comes back to this one unchanged, whatever it did.
    MapClick(IDC_ZARVOLIN_MODS, [] {
        CZarvolinDialog mods;
        mods.DoModal();
    });
}

bool CMurnDlg::OnInitDialog() {
    CPageDialog::OnInitDialog();
    // Before the load, so that they are in place even for its message box.
    AddAboutEntry();
    SendMsg(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMsg(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    LoadOptions();
    return true;
}

void CMurnDlg::AddAboutEntry() const {
    HMENU menu = GetSystemMenu(window_, FALSE);
    if (menu == nullptr) return;
    wchar_t text[64] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, static_cast<int>(std::size(text))) <= 0)
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
}

bool CMurnDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND: return OnSysCommand(static_cast<UINT>(wParam));
        case WM_PAINT: return OnPaint();
        default: return CPageDialog::OnMessage(message, wParam, lParam);
    }
}

bool CMurnDlg::OnSysCommand(UINT command) {
    if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
    CAboutDlg about;
    about.DoModal();
    return true;
}

bool CMurnDlg::OnPaint() {
    if (!IsIconic(window_)) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    SendMsg(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(window_, &client);
    DrawIcon(dc, (client.right - client.left - cx + 1) / 2, (client.bottom - client.top - cy + 1) / 2, icon_);
    EndPaint(window_, &paint);
    return true;
}
