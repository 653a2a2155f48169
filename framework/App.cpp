#include "App.h"

#include <ole2.h>
#include <shellapi.h>

#include "ComModule.h"

namespace {
CWinApp* g_theApplication = nullptr;
}  // namespace

void CCommandLineInfo::ParseArguments(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) continue;
        CString name(argument.substr(1));
        if (name.CompareNoCase(L"Automation") == 0)
            m_bRunAutomated = true;
        else if (name.CompareNoCase(L"Embedding") == 0)
            m_bRunEmbedded = true;
        else if (name.CompareNoCase(L"Register") == 0 || name.CompareNoCase(L"Regserver") == 0)
            m_nShellCommand = AppRegister;
        else if (name.CompareNoCase(L"Unregister") == 0 || name.CompareNoCase(L"Unregserver") == 0)
            m_nShellCommand = AppUnregister;
    }
}

CWinApp::CWinApp() { g_theApplication = this; }

CWinApp::~CWinApp() {
    if (g_theApplication == this) g_theApplication = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const { info.ParseArguments(SplitCommandLine(m_lpCmdLine)); }

CWinApp* AfxGetApp() { return g_theApplication; }

HINSTANCE AfxGetResourceHandle() {
    CWinApp* app = AfxGetApp();
    return app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleW(nullptr);
}

std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine) {
    std::vector<std::wstring> arguments;
    if (!commandLine || !*commandLine) return arguments;
    // CommandLineToArgvW treats the first word as the program name; a placeholder keeps the real arguments intact.
    std::wstring line = L"program ";
    line += commandLine;
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(line.c_str(), &count);
    if (!words) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
    ::LocalFree(words);
    return arguments;
}

bool AfxOleInit() { return SUCCEEDED(::OleInitialize(nullptr)); }

// The program's lock and the COM objects' module lock are one count, so a live
// automation object and a client's LockServer both keep the process.
void AfxOleLockApp() { ComModuleLock(); }

void AfxOleUnlockApp() { ComModuleUnlock(); }

long AfxOleGetLockCount() { return ComModuleLockCount(); }

// Dialog templates can host ActiveX controls only through a container; the pages
// that need one register it themselves, so nothing is needed process-wide.
void AfxEnableControlContainer() {}
