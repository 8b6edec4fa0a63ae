#include "app.h"

#include "dialog.h"

CWinApp* CWinApp::current_ = nullptr;

CWinApp::CWinApp() { current_ = this; }

CWinApp::~CWinApp() {
    if (current_ == this) current_ = nullptr;
}

HWND ModalOwnerWindow() {
    const CWinApp* app = CWinApp::Current();
    const CDialog* main = app != nullptr ? app->MainWindow() : nullptr;
    HWND mainWindow = main != nullptr ? main->Handle() : nullptr;
    if (mainWindow == nullptr) return nullptr;
    // A dialog open over the main window has to be the owner, or it would
    // stay usable beside the message box.
    HWND popup = GetLastActivePopup(mainWindow);
    return popup != nullptr ? popup : mainWindow;
}

namespace {

std::wstring ProgramTitle() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0) return {};
        if (length < size) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name;
}

}  // namespace

int AfxMessageBox(const std::wstring& text, UINT type) {
    return MessageBoxW(ModalOwnerWindow(), text.c_str(), ProgramTitle().c_str(), type);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        if (CWinApp* app = CWinApp::Current()) app->InitInstance();
    } catch (...) {
        // Nothing is left to clean up: every file is closed where it was opened.
    }
    return 0;
}
