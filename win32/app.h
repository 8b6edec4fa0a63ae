#pragma once
// The application object that WinMain runs, and the message box that every
// part of the program shows its messages in.

#include <windows.h>

#include <string>

class CDialog;

class CWinApp {
public:
    // There is one application object, a global; constructing it makes it
    // the one that WinMain runs.
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs the whole program. The dialogs bring their own modal loops, so
    // WinMain keeps no loop of its own and ends once this returns, whatever
    // the result.
    virtual bool InitInstance() = 0;

    // The main window owns the dialogs and message boxes opened over it.
    CDialog* MainWindow() const { return mainWindow_; }
    void SetMainWindow(CDialog* window) { mainWindow_ = window; }

    static CWinApp* Current() { return current_; }

private:
    CDialog* mainWindow_ = nullptr;
    static CWinApp* current_;
};

// The window the next modal window opens over: the main window, or the
// dialog open over it at the moment; null before the main window exists.
HWND ModalOwnerWindow();

// One OK button, the exclamation icon, the program's file name without its
// extension as caption. Returns the button pressed.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK | MB_ICONEXCLAMATION);
