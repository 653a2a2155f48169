// The program's entry point: hands control to the one application object.
#include <windows.h>

#include "App.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = commandLine ? commandLine : L"";
    // The pages are modal and run inside InitInstance; there is no loop of the application's own.
    app->InitInstance();
    return app->ExitInstance();
}
