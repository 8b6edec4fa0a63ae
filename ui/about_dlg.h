#pragma once
// The About box, template 100: the icon, the version and copyright lines and
// OK. It has no behaviour of its own; OK, Esc and its close box close it.

#include "dialog.h"
#include "resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
