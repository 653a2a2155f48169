#include "ViewLogDlg.h"

#include "activitylog/ActivityLog.h"
#include "log/ViewLogRes.h"
#include "logtext/LogText.h"
#include "wizard/SystemMenu.h"
#include "wizard/WizardGlobals.h"

CViewLog::CViewLog(CWnd* parent) : CSkinnedDialog(IDD_VIEW_LOG, kSmallSkinFile, parent) {}

BEGIN_MESSAGE_MAP(CViewLog, CSkinnedDialog)
    ON_BN_CLICKED(IDC_VIEW_LOG_OK, OnOkButton)
    ON_BN_CLICKED(IDC_VIEW_LOG_FILE, OnViewLogFileClicked)
    ON_MESSAGE(WM_SYSCOMMAND, OnSysCommand)
    ON_MESSAGE(WM_HELP, OnHelp)
END_MESSAGE_MAP()

void CViewLog::DoDataExchange(CDataExchange* exchange) {
    CSkinnedDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_VIEW_LOG_FILE, m_viewLogFile);
}

BOOL CViewLog::OnInitDialog() {
    CSkinnedDialog::OnInitDialog();
    AppendAboutItemToSystemMenu(*this);
    SetDlgItemText(IDC_VIEW_LOG_RESULT,
                   g_savingAborted == 1 ? L"Saving Aborted by User" : L"Saving Completed Successfully");
    SetWindowText(g_productTitle);
    return TRUE;
}

void CViewLog::OnOkButton() {
    if (m_viewLogFile.IsCheckedBool()) {
        AppendActivityLog(logtext::kLineBreak);
        AppendActivityLog(logtext::kLineBreak);
        AppendActivityLog(L"View Log");
        AppendActivityLog(logtext::kLineBreak);
        AppendActivityLog(logtext::kLineBreak);
        AppendActivityLog(CString(logtext::EndBanner()));
        OpenActivityLogInNotepad();
    } else {
        AppendActivityLog(CString(logtext::EndBanner()));
        EndDialog(IDOK);
    }
    // The run is over: nothing is handed back to the pages underneath.
    seam::TerminateOwnProcess(0);
}

LRESULT CViewLog::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        seam::TerminateOwnProcess(0);
        return 0;
    }
    return Default();
}

BOOL CViewLog::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE) {
        int answer = seam::ShowMessageBox(m_hWnd, L" Saving Process is in running, Do you want to exit ?",
                                          kMessageCaption, kPageQuestion);
        if (answer == IDYES) seam::TerminateOwnProcess(0);
        return TRUE;
    }
    return CSkinnedDialog::PreTranslateMessage(message);
}
