#include "MorvathApp.h"

#include <memory>

#include "activitylog/ActivityLog.h"
#include "app/AutomationServer.h"
#include "app/MorvathDlg.h"
#include "res/resource.h"
#include "wizard/Settings.h"
#include "wizard/WizardGlobals.h"

bool AnotherInstanceIsRunning() { return ::FindWindowW(nullptr, g_productTitle) != nullptr; }

void ShowAlreadyRunningAndExit() {
    seam::ShowMessageBox(nullptr, kSecondInstanceText, kSecondInstanceCaption,
                         MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
    seam::ExitOwnProcess(0);
}

bool ApplyAutomationSwitches(const CCommandLineInfo& info) {
    if (info.m_bRunAutomated || info.m_bRunEmbedded) return true;
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::AppUnregister:
        UnregisterAutomationServer();
        return false;
    case CCommandLineInfo::AppRegister:
        RegisterAutomationServer();
        return false;
    default:
        // A plain start registers again, so a moved program folder keeps working.
        RegisterAutomationServer();
        return true;
    }
}

void LoadSettings() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    g_platformKind = ::GetVersionExW(&version) && (version.dwPlatformId & 1) ? L'F' : L'N';
    g_settingsKey = L"KorvaneEDB_PST";
    g_programFolder = ReadSetting(L"FilePath");
}

BOOL CMorvathApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    SetErrorLogWriter([](const wchar_t* text) {
        AppendActivityLog(L"\r\n");
        AppendActivityLog(text);
    });

    if (AnotherInstanceIsRunning()) {
        ShowAlreadyRunningAndExit();
        return FALSE;
    }

    if (!AfxOleInit()) {
        wchar_t text[256] = {};
        ::LoadStringW(AfxGetResourceHandle(), IDP_OLE_INIT_FAILED, text, 256);
        seam::ShowMessageBox(nullptr, text, L"Morvath", MB_OK);
        return FALSE;
    }
    AfxEnableControlContainer();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    std::unique_ptr<ClassObjectRegistration> classObject;
    if (commandLine.m_bRunAutomated || commandLine.m_bRunEmbedded)
        classObject = std::make_unique<ClassObjectRegistration>();
    if (!ApplyAutomationSwitches(commandLine)) return FALSE;

    LoadSettings();

    CMorvathDlg page;
    m_pMainWnd = &page;
    page.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
