#pragma once
// The application: runs the main page as its main window, then ends. Its one
// command route sends the Help command (F1) to the default help handler.

#include "app.h"

class CMurnApp : public CWinApp {
public:
    CMurnApp();
    bool InitInstance() override;
};

extern CMurnApp theApp;
