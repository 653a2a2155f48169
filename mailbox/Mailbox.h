#pragma once
// The mailbox page, the wizard's second step: it scans the source file for the
// mailbox names on a worker, lists them with a check box each, and hands the
// ticked ones to the preview page as the selected mailbox list.
#include <mutex>
#include <string>
#include <vector>

#include "framework/Afx.h"
#include "framework/Worker.h"
#include "scan/SourceFile.h"
#include "ui/SkinnedDialog.h"
#include "ui/TransparentStatic.h"

class CMailbox : public CSkinnedDialog {
public:
    explicit CMailbox(CWnd* parent = nullptr);
    ~CMailbox() override;

    BOOL PreTranslateMessage(MSG* message) override;

    // The page the Select All menu command acts on; null when none is open.
    static CMailbox* Current() { return s_current; }

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;

    void OnConvert();
    void OnBack();
    void OnHiddenBack();
    void OnSelectAll();
    void OnSelectAllMenu();
    void OnSkipAnalysis();
    void OnExit();
    void OnNothing() {}
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnHelp(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    void OnListNotify(NMHDR*, LRESULT* result) { *result = 0; }
    LRESULT OnScanProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnScanFinished(WPARAM wParam, LPARAM lParam);
    LRESULT OnMailboxesFound(WPARAM wParam, LPARAM lParam);
    LRESULT OnSourceOpened(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void ResetVisitState();
    void StartScan();
    void ChooseSourceFile();
    void AddFoundRows();
    void ReportScanError(const mailbox::ScanError& error);
    void BuildSelectedList();
    void SetScanningControls(bool scanning);
    bool AskYesNo(const wchar_t* question);

    CListCtrl m_mailboxList;
    CButton m_convertButton;
    CButton m_backButton;
    CButton m_selectAllCheck;
    CButton m_skipAnalysisCheck;
    CProgressCtrl m_progress;
    CTransparentStatic m_sourcePath;  // filled once the scan has opened the file, after the first paint
    CStatic m_enumerating;

    bool m_selectAllMenuTicks = true;  // what the next Select All menu command does
    int m_selectedCount = 0;           // nodes appended by the last build

    // Handed over by the scan worker; read on the user-interface thread when it posts.
    std::mutex m_foundMutex;
    std::vector<std::wstring> m_found;
    mailbox::ScanError m_scanError;
    unsigned long long m_scanLength = 0;
    CString m_scanPath;

    // Declared last, so it is stopped and joined before what it writes goes.
    CWorker m_scan;

    static CMailbox* s_current;
};

// Runs the page modally for its owner, as the page flow does.
void RunMailboxPageModal(CWnd* owner);
