#pragma once
// The mods page: template 103, 13 switch rows and two sliders, opened over
// the main page with a fresh state each time.

#include "page_dialog.h"

class CZarvolinDialog : public CPageDialog {
public:
    CZarvolinDialog();

protected:
    bool OnInitDialog() override;
};
