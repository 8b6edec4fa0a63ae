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
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HICON OnQueryDragIcon() override { return icon_; }

private:
    void AddAboutEntry() const;
    // The About command opens the About box; every other one goes on to the system.
    bool OnSysCommand(UINT command);
    // The icon while minimised; otherwise the system paints.
    bool OnPaint();

    HICON icon_;  // a shared resource icon: the system frees it
};
