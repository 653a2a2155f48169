#pragma once
// The dialog that ends a finished or stopped conversion run: it shows the result,
// offers the log in Notepad, and its OK ends the process.
#include "framework/Afx.h"
#include "ui/SkinnedDialog.h"

class CViewLog : public CSkinnedDialog {
public:
    explicit CViewLog(CWnd* parent = nullptr);

    BOOL PreTranslateMessage(MSG* message) override;

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;

    void OnOkButton();
    void OnViewLogFileClicked() {}
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnHelp(WPARAM, LPARAM) { return TRUE; }

    DECLARE_MESSAGE_MAP()

private:
    CButton m_viewLogFile;
};
