#pragma once
// The main page: the wizard's first page and the application's main window.
// The user names the source database here; its menu handlers also serve every
// later page, which route the commands they do not handle to their owner.
#include "framework/Afx.h"
#include "ui/Label.h"
#include "ui/SkinnedDialog.h"
#include "ui/TransparentEditBox.h"

class CMorvathDlgAutoProxy;

class CMorvathDlg : public CSkinnedDialog {
public:
    explicit CMorvathDlg(CWnd* parent = nullptr);
    ~CMorvathDlg() override;

    BOOL PreTranslateMessage(MSG* message) override;

    // Set and cleared by the automation proxy; while one is attached, closing only hides the page.
    CMorvathDlgAutoProxy* m_pAutoProxy = nullptr;  // not owned
    bool m_hiddenByClose = false;                  // the user closed the page while a client held it

    void OnAbout();

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnBrowse();
    void OnNext();
    void OnSearch();
    void OnNothing() {}
    void OnExit();
    void OnViewLog();
    void OnClearLog();
    void OnHelpContents();
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnHelp(WPARAM, LPARAM) { return TRUE; }

    DECLARE_MESSAGE_MAP()

private:
    bool CanExit();
    void AddToSourceFileList(const CString& fileName);
    bool SourcePathIsValid();

    CListCtrl m_sourceFileList;
    CButton m_nextButton;
    CButton m_clearAllButton;
    CButton m_searchButton;
    CButton m_repairModeCheck;
    CEdit m_sourcePathEdit;
    CTransparentEditBox m_selectFileLabel;
    CLabel m_sourcePathLabel;
    CString m_pathText;
    HICON m_hIcon;  // shared resource icon, not destroyed

    int m_fileDialogResult = 0;  // 0 never shown, 1 OK, 2 Cancel
    CString m_browsedFileName;   // upper-cased path from the last Browse
    int m_rowsAdded = 0;
};
