#pragma once
// The trackbar common control ("msctls_trackbar32").

#include <windows.h>
#include <commctrl.h>

#include "window.h"

class CSliderCtrl : public CWindow {
public:
    explicit CSliderCtrl(HWND window) : CWindow(window) {}

    void SetRange(int minimum, int maximum, bool redraw) const {
        SendMsg(TBM_SETRANGE, redraw ? TRUE : FALSE, MAKELPARAM(minimum, maximum));
    }
    void SetPos(int position) const { SendMsg(TBM_SETPOS, TRUE, position); }
    int GetPos() const { return static_cast<int>(SendMsg(TBM_GETPOS)); }
    int GetRangeMax() const { return static_cast<int>(SendMsg(TBM_GETRANGEMAX)); }
};
