#pragma once
// The application object: one static instance whose InitInstance runs the first
// page. wWinMain (WinMain.cpp, linked into the program only) calls it.
#include <windows.h>

#include <string>
#include <vector>

#include "String.h"
#include "Wnd.h"

// The standard automation switches, read from the command line.
class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, AppRegister, AppUnregister };

    // Reads switches led by '/' or '-', letter case ignored; every other argument is ignored.
    void ParseArguments(const std::vector<std::wstring>& arguments);

    ShellCommand m_nShellCommand = FileNew;
    bool m_bRunAutomated = false;  // "/Automation"
    bool m_bRunEmbedded = false;   // "/Embedding"
};

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns FALSE to end the process once it returns.
    virtual BOOL InitInstance();
    virtual int ExitInstance() { return 0; }

    void ParseCommandLine(CCommandLineInfo& info) const;
    void SetRegistryKey(const wchar_t* company) { m_registryKey = company; }
    const CString& GetRegistryKey() const { return m_registryKey; }

    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_lpCmdLine = L"";
    CWnd* m_pMainWnd = nullptr;  // not owned

private:
    CString m_registryKey;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
// Splits a command line the way the shell does (CommandLineToArgvW), without the program name.
std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine);

// OLE for the process: OleInitialize plus the lock count that keeps an automated process alive.
bool AfxOleInit();
void AfxOleLockApp();
void AfxOleUnlockApp();
long AfxOleGetLockCount();
void AfxEnableControlContainer();
