#include "murn_app.h"

#include <commctrl.h>

#include "murn_dlg.h"

CMurnApp theApp;

CMurnApp::CMurnApp() { MapCommand(ID_HELP, [this] { OnHelp(); }); }

bool CMurnApp::InitInstance() {
    // The trackbar is one of these classes. The size is the structure's own, 8.
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&classes);

    // The tool keeps no settings: no profile key, nothing in the registry.
    CMurnDlg dialog;
    SetMainWindow(&dialog);
    dialog.DoModal();
    SetMainWindow(nullptr);
    // No loop of our own follows: closing the main page ends the program.
    return false;
}
