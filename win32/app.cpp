#include "app.h"

#include <utility>

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

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0) return {};
        if (length < size) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Where the extension of the path's last name starts, or its end.
std::size_t ExtensionStart(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind(L'.');
    return dot != std::wstring::npos && dot >= nameStart ? dot : path.size();
}

std::wstring ProgramTitle() {
    const std::wstring path = ProgramPath();
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    return path.substr(nameStart, ExtensionStart(path) - nameStart);
}

// F1 in a dialog (or a message box) of this thread becomes the Help command
// of the main window; the key itself goes no further.
LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX) {
        const auto* message = reinterpret_cast<const MSG*>(lParam);
        const CWinApp* app = CWinApp::Current();
        const CDialog* main = app != nullptr ? app->MainWindow() : nullptr;
        if (message->message == WM_KEYDOWN && message->wParam == VK_F1 && main != nullptr &&
            main->Handle() != nullptr) {
            SendMessageW(main->Handle(), WM_COMMAND, ID_HELP, 0);
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool CWinApp::OnCmdMsg(int id) {
    for (const CommandRoute& route : commandRoutes_) {
        if (route.id == id) {
            route.handler();
            return true;
        }
    }
    return false;
}

void CWinApp::MapCommand(int id, CommandHandler handler) { commandRoutes_.push_back({id, std::move(handler)}); }

void CWinApp::OnHelp() {
    const CDialog* front = CDialog::InFront();
    if (front == nullptr) return;
    std::wstring helpFile = ProgramPath();
    if (helpFile.empty()) return;
    helpFile.replace(ExtensionStart(helpFile), std::wstring::npos, L".HLP");
    HWND owner = mainWindow_ != nullptr ? mainWindow_->Handle() : nullptr;
    WinHelpW(owner, helpFile.c_str(), HELP_CONTEXT, 0x20000 + static_cast<ULONG_PTR>(front->TemplateId()));
}

int AfxMessageBox(const std::wstring& text, UINT type) {
    return MessageBoxW(ModalOwnerWindow(), text.c_str(), ProgramTitle().c_str(), type);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HHOOK filter = SetWindowsHookExW(WH_MSGFILTER, MessageFilter, nullptr, GetCurrentThreadId());
    try {
        if (CWinApp* app = CWinApp::Current()) app->InitInstance();
    } catch (...) {
        // Nothing is left to clean up: every file is closed where it was opened.
    }
    if (filter != nullptr) UnhookWindowsHookEx(filter);
    return 0;
}
