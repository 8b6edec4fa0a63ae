#pragma once
// One window handle and the few calls the dialogs make on it.

#include <windows.h>

#include <string>

class CWindow {
public:
    explicit CWindow(HWND window = nullptr) : window_(window) {}

    HWND Handle() const { return window_; }
    HWND GetItem(int id) const { return GetDlgItem(window_, id); }
    LRESULT SendMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(window_, message, wParam, lParam);
    }
    void SetItemText(int id, const std::wstring& text) const {
        SetDlgItemTextW(window_, id, text.c_str());
    }

protected:
    HWND window_;
};
