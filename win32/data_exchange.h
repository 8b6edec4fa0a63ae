#pragma once
// Exchange between a dialog's controls and its data, in the direction that
// UpdateData asks for. Once a check has failed, every later call of the
// same exchange does nothing, so the rest of the controls are left alone.

#include <windows.h>

#include <cstdint>
#include <string>

class CDataExchange {
public:
    CDataExchange(HWND dialogWindow, bool fromControls)
        : dialog(dialogWindow), saveAndValidate(fromControls) {}

    bool Failed() const { return failed_; }
    void Fail() { failed_ = true; }

    const HWND dialog;
    const bool saveAndValidate;  // true: from the controls into the data

private:
    bool failed_ = false;
};

// A check box and a flag, checked being 1.
void DDX_Check(CDataExchange& dx, int id, std::int32_t& value);
// An edit or static control and its wide text.
void DDX_Text(CDataExchange& dx, int id, std::wstring& value);
// From the controls: a text longer than maxChars is refused with a message,
// and the edit gets the focus with its text selected. Towards the controls:
// the edit takes no more than maxChars typed characters.
void DDV_MaxChars(CDataExchange& dx, int id, const std::wstring& value, int maxChars);
