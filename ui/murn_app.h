#pragma once
// The application: runs the main page as its main window, then ends.

#include "app.h"

class CMurnApp : public CWinApp {
public:
    bool InitInstance() override;
};

extern CMurnApp theApp;
