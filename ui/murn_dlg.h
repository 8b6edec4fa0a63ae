#pragma once
// The main page: template 102, 22 switch rows, the version box, the
// large-address check box and the button that opens the mods page. It is the
// application's main window.

#include "page_dialog.h"

class CMurnDlg : public CPageDialog {
public:
    CMurnDlg();

protected:
    bool OnInitDialog() override;
};
