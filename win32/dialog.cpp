#include "dialog.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "app.h"

CDialog* CDialog::inFront_ = nullptr;

// The dialog runs from a copy of its template without WS_VISIBLE: the dialog
// manager then shows it when its modal loop first goes idle, which never
// happens to a dialog ended during its initialisation (a failed load). With
// the style left on, Wine shows such a dialog for an instant.
INT_PTR CDialog::DoModal() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(templateId_), RT_DIALOG);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    const DWORD size = resource != nullptr ? SizeofResource(module, resource) : 0;
    if (bytes == nullptr || size < 24) return -1;

    template_.assign(bytes, bytes + size);
    DWORD style = 0;
    std::memcpy(&style, template_.data() + StyleOffset(), sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(template_.data() + StyleOffset(), &style, sizeof style);
    CDialog* const outer = inFront_;
    inFront_ = this;
    const INT_PTR result = DialogBoxIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(template_.data()),
                                                   ModalOwnerWindow(), DialogProc, reinterpret_cast<LPARAM>(this));
    inFront_ = outer;
    return result;
}

// An extended template starts with version 1 and the signature 0xFFFF; its
// style follows version, signature, help ID and extended style, while the
// old form starts with it.
std::size_t CDialog::StyleOffset() const {
    WORD signature = 0;
    std::memcpy(&signature, template_.data() + 2, sizeof signature);
    return signature == 0xFFFF ? 12 : 0;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(window_, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CDialog::EndDialog(int result) { ::EndDialog(window_, result); }

void CDialog::MapClick(int id, ClickHandler handler) {
    clickRoutes_.push_back({id, std::move(handler)});
}

void CDialog::MapNotify(int id, UINT code, NotifyHandler handler) {
    notifyRoutes_.push_back({id, code, std::move(handler)});
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnHScroll(int, int, HWND) {}

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const bool defaultFocus = OnInitDialog();
            if (TemplateAtOrigin()) CenterWindow();
            return defaultFocus;
        }
        case WM_COMMAND:
            return OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_HSCROLL:
            OnHScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), reinterpret_cast<HWND>(lParam));
            return false;
        default:
            return false;
    }
}

bool CDialog::OnCommand(int code, int id, HWND control) {
    // BN_CLICKED is 0, which is also the code of a command sent by a menu or
    // by the program itself.
    if (code != BN_CLICKED) return false;
    for (const ClickRoute& route : clickRoutes_) {
        if (route.id == id) {
            route.handler();
            return true;
        }
    }
    switch (id) {
        case IDOK: OnOK(); return true;
        case IDCANCEL: OnCancel(); return true;
        default: break;
    }
    // A command that no control sent and this dialog does not handle goes on
    // to the application.
    CWinApp* app = CWinApp::Current();
    return control == nullptr && app != nullptr && app->OnCmdMsg(id);
}

bool CDialog::OnNotify(const NMHDR& header) {
    for (const NotifyRoute& route : notifyRoutes_) {
        if (static_cast<UINT_PTR>(route.id) == header.idFrom && route.code == header.code) {
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, route.handler(header));
            return true;
        }
    }
    return false;
}

// Only a template placed at 0, 0 is centred; any other position is meant.
bool CDialog::TemplateAtOrigin() const {
    // x and y follow the style, the extended style (or the extended style
    // then the style) and the control count.
    const std::size_t xOffset = StyleOffset() == 12 ? 18 : 10;
    short x = 0;
    short y = 0;
    std::memcpy(&x, template_.data() + xOffset, sizeof x);
    std::memcpy(&y, template_.data() + xOffset + 2, sizeof y);
    return x == 0 && y == 0;
}

// Over the owner when there is one to see, else in the work area; never
// partly off the work area.
void CDialog::CenterWindow() const {
    HWND owner = GetWindow(window_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : window_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    RECT area = work;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);

    RECT dialog{};
    GetWindowRect(window_, &dialog);
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;
    LONG x = area.left + (area.right - area.left - width) / 2;
    LONG y = area.top + (area.bottom - area.top - height) / 2;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may unwind into the dialog manager.
    try {
        CDialog* dialog = nullptr;
        if (message == WM_INITDIALOG) {
            dialog = reinterpret_cast<CDialog*>(lParam);
            dialog->window_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        } else {
            dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        }
        if (dialog == nullptr) return FALSE;
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            dialog->window_ = nullptr;
            return FALSE;
        }
        if (message == WM_QUERYDRAGICON) return reinterpret_cast<INT_PTR>(dialog->OnQueryDragIcon());
        return dialog->OnMessage(message, wParam, lParam) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}
