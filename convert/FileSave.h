#pragma once
// The conversion page, the wizard's last step: one worker runs Save All or
// Save Current while the page shows its progress and lets the user pause,
// resume or stop it. The worker only posts; the page's thread writes every
// control. Pause and Stop are cooperative requests (nothing is suspended or
// killed), so every PST file stays as the component last committed it.
//
// One page object serves every save of the process: each opening starts from
// a fresh page state and reloads the skin, and leaves no GDI object behind.
#include <memory>
#include <mutex>

#include "components/MailParserComponent.h"
#include "convert/ControlUpdates.h"
#include "convert/SaveWorkers.h"
#include "framework/Worker.h"
#include "transfer/SaveAllRun.h"
#include "ui/SkinnedDialog.h"
#include "ui/TransparentStatic2.h"

class CFileSave : public CSkinnedDialog {
public:
    explicit CFileSave(CWnd* parent = nullptr);
    ~CFileSave() override;

    BOOL PreTranslateMessage(MSG* message) override;

    // The 1-based number of the mailbox the preview page shows: Save Current's mailbox.
    void SetPreviewedNumber(int number) { m_previewedNumber = number; }
    bool IsPaused() const { return m_paused; }
    bool IsWorking() const { return m_worker.IsRunning(); }
    // What the last run did; complete once the worker has ended.
    convert::SaveAllOutcome LastOutcome();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* exchange) override;
    void OnOK() override {}      // Enter does nothing
    void OnCancel() override {}  // Escape asks first (PreTranslateMessage)

    // The outside components' presence check, owned by the page; false when
    // it ended the process.
    virtual bool CheckComponents();
    // One exchange with the mail parser component, made on the worker's thread.
    virtual std::unique_ptr<components::IMailParserComponent> OpenExchange();
    // The View Log dialog that ends a run; `result` replaces its text when not empty.
    virtual void RunViewLog(const CString& result);

    void OnStop();
    void OnPause();
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnHelp(WPARAM, LPARAM) { return TRUE; }
    LRESULT OnWorkerProgress(WPARAM, LPARAM);
    LRESULT OnWorkerFinished(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    SaveJob MakeJob() const;
    void StartWorker();
    void ShowUpdates();
    // Halts the worker while the user answers; true for Yes. No lets it go
    // on unless the user had paused it: the button still reads "Resume".
    bool AskWithWorkerHalted(const wchar_t* question);
    void EndProcessAfterAsking(const wchar_t* question);
    void StopWorkerAndWait();

    CTransparentStatic2 m_labels[13];
    CProgressCtrl m_currentBar;
    CProgressCtrl m_overallBar;
    HICON m_icon;  // shared resource icon, not destroyed
    int m_previewedNumber = 1;
    bool m_paused = false;
    bool m_stoppedByUser = false;
    bool m_saveCurrent = false;
    ControlUpdates m_updates;
    std::mutex m_outcomeMutex;
    convert::SaveAllOutcome m_outcome;  // under m_outcomeMutex until the worker ends
    CWorker m_worker;                   // last: it ends before the members it uses go
};

// Runs the process's one conversion page for the preview page's Save command:
// what the program puts in pageflow::RunConversionPage.
void RunConversionPageModal(CWnd* owner);
