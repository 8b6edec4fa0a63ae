#include "data_exchange.h"

#include <string>
#include <utility>

#include "app.h"

namespace {

// The decimal digits of a count. std::to_wstring would do, but it goes
// through the C runtime's wide printf, which would then be linked in for
// this one number.
std::wstring DecimalText(int number) {
    wchar_t digits[12];
    wchar_t* first = digits + sizeof digits / sizeof digits[0];
    long long rest = number;
    const bool negative = rest < 0;
    if (negative) rest = -rest;
    do {
        *--first = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (negative) *--first = L'-';
    return std::wstring(first, digits + sizeof digits / sizeof digits[0]);
}

}  // namespace

void DDX_Check(CDataExchange& dx, int id, std::int32_t& value) {
    if (dx.Failed()) return;
    if (dx.saveAndValidate)
        value = IsDlgButtonChecked(dx.dialog, id) == BST_CHECKED ? 1 : 0;
    else
        CheckDlgButton(dx.dialog, id, value == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void DDX_Text(CDataExchange& dx, int id, std::wstring& value) {
    if (dx.Failed()) return;
    HWND control = GetDlgItem(dx.dialog, id);
    if (!dx.saveAndValidate) {
        SetWindowTextW(control, value.c_str());
        return;
    }
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    value = std::move(text);
}

void DDV_MaxChars(CDataExchange& dx, int id, const std::wstring& value, int maxChars) {
    if (dx.Failed()) return;
    HWND edit = GetDlgItem(dx.dialog, id);
    if (!dx.saveAndValidate) {
        SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        return;
    }
    if (value.size() <= static_cast<std::size_t>(maxChars)) return;

    std::wstring message = L"Please enter no more than %1 characters.";
    message.replace(message.find(L"%1"), 2, DecimalText(maxChars));
    AfxMessageBox(message);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    dx.Fail();
}
