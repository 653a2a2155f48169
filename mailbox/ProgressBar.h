#pragma once
// The analysis dialog: while it is up, a worker places the mailbox's standard
// folders in the preview page's tree and lists the source's first message
// headers in the page's message list. Pause, Stop and Escape ask the worker
// to wait or end; nothing is suspended or killed. Each dialog has its own
// worker and its own stop request, so one stopped analysis never stops the next.
#include <memory>
#include <mutex>

#include "framework/Afx.h"
#include "framework/Worker.h"
#include "mailbox/HeaderRows.h"
#include "scan/HeaderScan.h"
#include "scan/SourceFile.h"
#include "ui/SkinnedDialog.h"

class CFolderTreeCtrl1;

// What the analysis fills on the preview page; none of it is owned.
struct AnalysisTargets {
    CFolderTreeCtrl1* tree = nullptr;
    CListCtrl* list = nullptr;
    HWND saveCurrent = nullptr;
    HWND saveAll = nullptr;
    HMENU pageMenu = nullptr;
};

class CProgressBar : public CSkinnedDialog {
public:
    CProgressBar(const AnalysisTargets& targets, CWnd* parent);
    ~CProgressBar() override;

    BOOL PreTranslateMessage(MSG* message) override;
    bool IsPaused() const { return m_paused; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}      // Enter does nothing
    void OnCancel() override {}  // only the end of the analysis or Stop closes the dialog
    // Where the header scan reads; tests substitute a source they control.
    virtual std::unique_ptr<mailbox::SourceFile> OpenSource(mailbox::ScanError& error);

    void OnStop();
    void OnPause();
    LRESULT OnWorkerProgress(WPARAM kind, LPARAM position);
    LRESULT OnWorkerFinished(WPARAM end, LPARAM);
    // F1 during an analysis does nothing; unanswered, the request would travel
    // up to the pages below and open help.
    LRESULT OnHelp(WPARAM, LPARAM) { return TRUE; }

    DECLARE_MESSAGE_MAP()

private:
    void BuildFolderTree();
    void ScanHeaders(CWorker& worker);
    void TakeRows();
    void EndWorker();
    void StoreCount();

    AnalysisTargets m_targets;
    CProgressCtrl m_bar;
    CButton m_pauseButton;
    bool m_paused = false;
    int m_selectedCount = 0;
    bool m_workerEnded = false;
    HeaderRowQueue m_rows;
    std::mutex m_resultMutex;
    mailbox::HeaderAnalysis m_result;  // under m_resultMutex until the worker ends
    CWorker m_worker;                  // last: it ends before the members it uses go
};
