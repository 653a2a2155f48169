#include "ProgressBar.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>

#include "activitylog/ActivityLog.h"
#include "mailbox/FolderTreeCtrl1.h"
#include "mailbox/ProgressBarRes.h"
#include "res/resource.h"
#include "scan/HeaderCountMemo.h"
#include "scan/ScanToken.h"
#include "text/CodePage.h"
#include "wizard/MenuCommands.h"
#include "wizard/SystemMenu.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr WorkerMessages kAnalysisMessages = {WM_APP + 0x310};
enum ProgressKind : WPARAM { kRowsReady = 0, kPosition = 1 };

constexpr UINT kAnalysisQuestion = MB_YESNO | MB_ICONQUESTION;

// The standard folders, placed in this order under "Top of Information Store".
constexpr const wchar_t* kStandardFolders[] = {L"Deleted Items", L"Inbox",    L"Sent Items", L"Journal",
                                               L"Outbox",        L"Drafts",   L"Contacts",   L"Notes",
                                               L"Tasks",         L"Calendar", L"Junk E-mail"};

// Saving needs a finished analysis: grayed on the preview page, beside the
// page's own grayed commands, when the user stops one.
constexpr UINT kStoppedAnalysisCommands[] = {ID_SAVE_ALL_MAILBOX, ID_SAVE_CURRENT_MAILBOX};

}  // namespace

CProgressBar::CProgressBar(const AnalysisTargets& targets, CWnd* parent)
    : CSkinnedDialog(IDD_ANALYSIS_PROGRESS, kSmallSkinFile, parent), m_targets(targets) {}

CProgressBar::~CProgressBar() { EndWorker(); }

BEGIN_MESSAGE_MAP(CProgressBar, CSkinnedDialog)
    ON_BN_CLICKED(IDC_STOP_ANALYSIS, OnStop)
    ON_BN_CLICKED(IDC_PAUSE_ANALYSIS, OnPause)
    ON_MESSAGE(WM_HELP, OnHelp)
    ON_MESSAGE(kAnalysisMessages.Progress(), OnWorkerProgress)
    ON_MESSAGE(kAnalysisMessages.Finished(), OnWorkerFinished)
END_MESSAGE_MAP()

BOOL CProgressBar::OnInitDialog() {
    CSkinnedDialog::OnInitDialog();
    m_bar.Attach(::GetDlgItem(m_hWnd, IDC_ANALYSIS_PROGRESS));
    m_pauseButton.Attach(::GetDlgItem(m_hWnd, IDC_PAUSE_ANALYSIS));
    AppendAboutItemToSystemMenu(*this);
    if (!g_treeReady && m_targets.tree) m_targets.tree->SetUpImages();
    SetWindowText(g_productTitle);
    m_selectedCount = static_cast<int>(std::wcstol(g_selectedCountText, nullptr, 10));

    // The folder stage reads nothing from the source: it is done here, on the
    // tree's own thread, before the worker starts on the headers.
    BuildFolderTree();
    m_workerEnded = !m_worker.Start(m_hWnd, kAnalysisMessages, [this](CWorker& worker) { ScanHeaders(worker); });
    if (m_workerEnded) ::PostMessageW(m_hWnd, kAnalysisMessages.Finished(), static_cast<WPARAM>(WorkerEnd::Failed), 0);
    return TRUE;
}

void CProgressBar::BuildFolderTree() {
    CString root = g_previewedMailboxName;
    if (root.IsEmpty()) {
        root = g_currentMailboxName;
        g_lastAnalysedMailboxName = root;
    }
    if (m_targets.tree) {
        for (const wchar_t* folder : kStandardFolders)
            m_targets.tree->AddItems({root, L"Top of Information Store", folder});
    }
    g_currentMailboxName.Empty();
}

std::unique_ptr<mailbox::SourceFile> CProgressBar::OpenSource(mailbox::ScanError& error) {
    return mailbox::OpenSourceFile(std::filesystem::path(g_analysisSourcePath.str()), error);
}

void CProgressBar::ScanHeaders(CWorker& worker) {
    mailbox::HeaderAnalysis result;
    mailbox::ScanError error;
    if (std::unique_ptr<mailbox::SourceFile> file = OpenSource(error)) {
        mailbox::ScanTokenFor<CWorker> token(worker);
        mailbox::HeaderAnalysisCallbacks callbacks;
        callbacks.onRow = [this, &worker](size_t row, const std::wstring& subject) {
            m_rows.Push(row, subject);
            worker.PostProgress(kRowsReady);
        };
        callbacks.onProgress = [&worker](uint64_t percent) {
            worker.PostProgress(kPosition, static_cast<LPARAM>(std::min<uint64_t>(percent, 100)));
        };
        result = mailbox::AnalyseHeaders(*file, mailbox::SystemCodePage(), token, callbacks);
        if (!result.stopped && !result.error)
            mailbox::RememberHeaderCount(std::filesystem::path(g_analysisSourcePath.str()), result.messageCount);
    } else {
        result.error = error;
    }
    std::lock_guard<std::mutex> lock(m_resultMutex);
    m_result = std::move(result);
}

void CProgressBar::TakeRows() {
    if (!m_targets.list) return;
    for (const HeaderRowQueue::Row& row : m_rows.Take()) InsertHeaderRow(*m_targets.list, row.first, row.second);
}

LRESULT CProgressBar::OnWorkerProgress(WPARAM kind, LPARAM position) {
    if (kind == kRowsReady) TakeRows();
    if (kind == kPosition) m_bar.SetPos(static_cast<int>(position));
    return 0;
}

void CProgressBar::EndWorker() {
    if (m_workerEnded) return;
    // The worker only posts to this thread, so waiting for it cannot deadlock.
    m_worker.RequestStop();
    m_worker.Wait();
    m_workerEnded = true;
}

void CProgressBar::StoreCount() {
    std::lock_guard<std::mutex> lock(m_resultMutex);
    // A scan that found no marker leaves the previous count as it was.
    if (std::optional<std::wstring> text = m_result.CountText()) {
        g_analysisMessageCount = m_result.messageCount;
        g_analysisMessageCountText = *text;
    }
}

LRESULT CProgressBar::OnWorkerFinished(WPARAM, LPARAM) {
    if (m_workerEnded && IsModalLoopEnded()) return 0;  // Stop has closed the dialog already
    m_worker.Wait();
    m_workerEnded = true;
    TakeRows();
    StoreCount();
    CString problem;
    {
        std::lock_guard<std::mutex> lock(m_resultMutex);
        if (m_result.error) problem = m_result.error.Message();
    }
    // What was found before a failed open or read stands, as a completed analysis.
    if (!problem.IsEmpty()) {
        AppendActivityLog(problem + L"\r\n");
        seam::ShowMessageBox(m_hWnd, problem, kMessageCaption, MB_OK | MB_ICONWARNING);
    }
    m_bar.ShowWindow(SW_HIDE);
    if (m_targets.saveCurrent) ::EnableWindow(m_targets.saveCurrent, TRUE);
    if (m_targets.saveAll) ::EnableWindow(m_targets.saveAll, TRUE);
    EndDialog(IDCANCEL);
    return 0;
}

void CProgressBar::OnPause() {
    if (!m_paused) {
        m_worker.Pause();
        m_pauseButton.SetWindowText(L"Resume");
    } else {
        m_worker.Resume();
        m_pauseButton.SetWindowText(L"Pause");
    }
    m_paused = !m_paused;
}

void CProgressBar::OnStop() {
    // The worker waits while the user decides. Answered No, it goes on only if
    // the user had not paused it: the button still reads "Resume" and means it.
    m_worker.Pause();
    const wchar_t* question = m_selectedCount == 1
                                  ? L"Do you want to Abort the analysis & click on back to Continue.?"
                                  : L"Do you want to Abort the analysis & click on Next/Previous Mailbox to Continue.?";
    if (seam::ShowMessageBox(m_hWnd, question, kMessageCaption, kAnalysisQuestion) != IDYES) {
        if (!m_paused) m_worker.Resume();
        return;
    }
    g_analysisAborted = 1;
    GrayMenuCommands(m_targets.pageMenu, kPreviewGrayedCommands);
    GrayMenuCommands(m_targets.pageMenu, kStoppedAnalysisCommands);
    EndWorker();
    TakeRows();  // the rows found so far stay in the list
    StoreCount();
    EndDialog(IDOK);
}

BOOL CProgressBar::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE) {
        m_worker.Pause();
        if (seam::ShowMessageBox(m_hWnd, L"Do you want to exit ?", kMessageCaption, kAnalysisQuestion) == IDYES) {
            EndWorker();
            seam::TerminateOwnProcess(0);
        } else if (!m_paused) {
            m_worker.Resume();
        }
        return TRUE;
    }
    return CSkinnedDialog::PreTranslateMessage(message);
}
