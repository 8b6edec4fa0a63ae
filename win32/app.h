#pragma once
// The application object that WinMain runs, and the message box that every
// part of the program shows its messages in.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CDialog;

// The standard Help command. F1 in any of the program's dialogs sends it to
// the main window; a command that no dialog handles goes on to the
// application's own routes.
inline constexpr int ID_HELP = 0xE146;

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

    // A command that reached the application; true when one of its routes
    // took it.
    bool OnCmdMsg(int id);

protected:
    using CommandHandler = std::function<void()>;
    void MapCommand(int id, CommandHandler handler);

    // The default help handler: asks WinHelp for the topic of the dialog in
    // front (0x20000 plus its template ID) in the help file that has the
    // program's path with the extension ".HLP".
    void OnHelp();

private:
    struct CommandRoute {
        int id;
        CommandHandler handler;
    };

    CDialog* mainWindow_ = nullptr;
    std::vector<CommandRoute> commandRoutes_;
    static CWinApp* current_;
};

// The window the next modal window opens over: the main window, or the
// dialog open over it at the moment; null before the main window exists.
HWND ModalOwnerWindow();

// One OK button, the exclamation icon, the program's file name without its
// extension as caption. Returns the button pressed.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK | MB_ICONEXCLAMATION);
