#include "convert/FileSave.h"

#include "activitylog/ActivityLog.h"
#include "comclients/ComMailParser.h"
#include "comclients/StoreComponentCheck.h"
#include "convert/ConversionViewLog.h"
#include "convert/FileSaveRes.h"
#include "logtext/LogText.h"
#include "res/resource.h"
#include "scan/ScanToken.h"
#include "wizard/PageFlow.h"
#include "wizard/SystemMenu.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr WorkerMessages kSaveMessages = {WM_APP + 0x340};

// The labels the run writes: texts that change while the page is up.
constexpr int kLabelIds[] = {IDC_SAVE_SOURCE_PATH,    IDC_SAVE_RESULT_FOLDER,  IDC_SAVE_MAILBOX_NUMBER,
                             IDC_SAVE_MAILBOX_SLASH,  IDC_SAVE_MAILBOX_COUNT,  IDC_SAVE_MAILBOX_NAME,
                             IDC_SAVE_CURRENT_FOLDER, IDC_SAVE_MESSAGE_NUMBER, IDC_SAVE_MESSAGE_SLASH,
                             IDC_SAVE_MESSAGE_TOTAL,  IDC_SAVE_MESSAGE_COPY,   IDC_SAVE_MESSAGE_COPY_CAPTION,
                             IDC_SAVE_PREVIEW_SKIPPED};

// Hidden when the analysis was skipped: there is no expected total to show.
constexpr int kCountLabelIds[] = {IDC_SAVE_MESSAGE_SLASH, IDC_SAVE_MESSAGE_TOTAL, IDC_SAVE_MESSAGE_COPY_CAPTION,
                                  IDC_SAVE_MESSAGE_COPY, IDC_SAVE_MESSAGE_NUMBER};

std::wstring Wide(const CString& text) { return std::wstring(text.GetString()); }

}  // namespace

CFileSave::CFileSave(CWnd* parent)
    : CSkinnedDialog(IDD_FILE_SAVE, kPageSkinFile, parent),
      m_icon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON))) {
    static_assert(sizeof(m_labels) / sizeof(m_labels[0]) == sizeof(kLabelIds) / sizeof(kLabelIds[0]));
}

CFileSave::~CFileSave() { StopWorkerAndWait(); }

BEGIN_MESSAGE_MAP(CFileSave, CSkinnedDialog)
    ON_BN_CLICKED(IDC_SAVE_STOP, OnStop)
    ON_BN_CLICKED(IDC_SAVE_PAUSE, OnPause)
    ON_MESSAGE(WM_CLOSE, OnClose)
    ON_MESSAGE(WM_HELP, OnHelp)
    ON_MESSAGE(kSaveMessages.Progress(), OnWorkerProgress)
    ON_MESSAGE(kSaveMessages.Finished(), OnWorkerFinished)
END_MESSAGE_MAP()

void CFileSave::DoDataExchange(CDataExchange* exchange) {
    CSkinnedDialog::DoDataExchange(exchange);
    for (size_t i = 0; i < sizeof(kLabelIds) / sizeof(kLabelIds[0]); ++i)
        DDX_Control(exchange, kLabelIds[i], m_labels[i]);
}

BOOL CFileSave::OnInitDialog() {
    CSkinnedDialog::OnInitDialog();
    ReloadSkin();
    m_currentBar.Attach(::GetDlgItem(m_hWnd, IDC_SAVE_CURRENT_BAR));
    m_overallBar.Attach(::GetDlgItem(m_hWnd, IDC_SAVE_OVERALL_BAR));
    m_paused = false;
    m_stoppedByUser = false;
    m_saveCurrent = g_saveCurrentPending == 1;
    m_updates.Take();
    {
        std::lock_guard<std::mutex> lock(m_outcomeMutex);
        m_outcome = {};
    }

    AppendAboutItemToSystemMenu(*this);
    SetIcon(m_icon, true);
    SetIcon(m_icon, false);

    GetDlgItem(IDC_SAVE_PREVIEW_SKIPPED).ShowWindow(SW_HIDE);
    if (g_skipAnalysis == 1) {
        for (int id : kCountLabelIds) GetDlgItem(id).ShowWindow(SW_HIDE);
        SetDlgItemText(IDC_SAVE_MAILBOX_COUNT, g_selectedCountText);
        GetDlgItem(IDC_SAVE_PREVIEW_SKIPPED).ShowWindow(SW_SHOW);
    }
    if (!CheckComponents()) return TRUE;
    SetWindowText(g_productTitle);

    if (m_saveCurrent) {
        // Save Current's count is the page's own: the selected count stays as
        // the mailbox page left it for later prompts and runs.
        SetDlgItemText(IDC_SAVE_MAILBOX_COUNT, L"1");
        SetDlgItemText(IDC_SAVE_MAILBOX_NUMBER, CString(std::to_wstring(m_previewedNumber)));
    }
    StartWorker();
    return TRUE;
}

bool CFileSave::CheckComponents() {
    components::CStoreComponentCheck check(m_hWnd);
    return check.passed();
}

std::unique_ptr<components::IMailParserComponent> CFileSave::OpenExchange() {
    return std::make_unique<components::CComMailParser>(m_hWnd);
}

void CFileSave::RunViewLog(const CString& result) {
    CConversionViewLog dialog(this, result);
    dialog.DoModal();
}

SaveJob CFileSave::MakeJob() const {
    SaveJob job;
    job.saveCurrent = m_saveCurrent;
    job.skipAnalysis = g_skipAnalysis == 1;
    // The analysis reads the file in the letter case the user chose; a source
    // reached another way has only the shown path.
    job.sourcePath = Wide(g_analysisSourcePath.IsEmpty() ? g_conversionSourcePath : g_analysisSourcePath);
    job.shownSourcePath = Wide(g_conversionSourcePath);
    if (m_saveCurrent) {
        job.destination = Wide(g_runFolder);
        const int index = m_previewedNumber - 1;
        job.mailboxName = Wide(index >= 0 && index < g_selectedMailboxes.Count() ? g_selectedMailboxes.Name(index)
                                                                                 : g_lastAnalysedMailboxName);
        for (const CString& path : g_tickedFolders) job.tickedFolders.push_back(Wide(path));
    } else {
        job.destination = Wide(g_destinationFolder);
        for (int i = 0; i < g_selectedMailboxes.Count(); ++i)
            job.mailboxes.push_back(Wide(g_selectedMailboxes.Name(i)));
    }
    return job;
}

void CFileSave::StartWorker() {
    SaveJob job = MakeJob();
    if (m_saveCurrent) {
        g_saveCurrentPending = 0;
        g_tickedFolders.clear();  // one Save Current run consumes them
    }
    bool started = m_worker.Start(m_hWnd, kSaveMessages, [this, job](CWorker& worker) {
        mailbox::ScanTokenFor<CWorker> token(worker);
        SaveEnvironment environment;
        environment.openExchange = [this] { return OpenExchange(); };
        environment.token = &token;
        environment.display = &m_updates;
        environment.notifyPage = [&worker] { worker.PostProgress(0); };
        environment.log = [](const std::wstring& entry) { AppendActivityLog(CString(entry)); };
        convert::SaveAllOutcome outcome =
            job.saveCurrent ? SaveCurrentWorker(job, environment) : SaveAllWorker(job, environment);
        std::lock_guard<std::mutex> lock(m_outcomeMutex);
        m_outcome = std::move(outcome);
    });
    if (!started) {
        std::lock_guard<std::mutex> lock(m_outcomeMutex);
        m_outcome.refusal = L"the conversion could not be started";
        ::PostMessageW(m_hWnd, kSaveMessages.Finished(), static_cast<WPARAM>(WorkerEnd::Failed), 0);
    }
}

convert::SaveAllOutcome CFileSave::LastOutcome() {
    std::lock_guard<std::mutex> lock(m_outcomeMutex);
    return m_outcome;
}

void CFileSave::ShowUpdates() {
    ControlUpdates::Batch batch = m_updates.Take();
    for (const auto& text : batch.texts) SetDlgItemText(text.first, text.second.c_str());
    for (const auto& bar : batch.bars) ::SendDlgItemMessageW(m_hWnd, bar.first, PBM_SETPOS, bar.second, 0);
}

LRESULT CFileSave::OnWorkerProgress(WPARAM, LPARAM) {
    ShowUpdates();
    return 0;
}

LRESULT CFileSave::OnWorkerFinished(WPARAM, LPARAM) {
    m_worker.Wait();
    ShowUpdates();
    if (m_stoppedByUser) return 0;  // the user's Stop or exit has ended the run already
    const convert::SaveAllOutcome outcome = LastOutcome();
    const std::wstring failure = FailureSummary(outcome);
    if (m_saveCurrent) {
        g_savingCurrentMailbox = 0;
        if (failure.empty())
            seam::ShowMessageBox(nullptr, L"Current Mailbox Saving Completed Successfully", kMessageCaption,
                                 MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
        else
            seam::ShowMessageBox(nullptr, failure.c_str(), kMessageCaption, MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
        EndDialog(IDCANCEL);
        return 0;
    }
    CString result;
    if (!failure.empty()) {
        seam::ShowMessageBox(m_hWnd, failure.c_str(), kMessageCaption, MB_OK | MB_ICONWARNING);
        bool anyStored = false;
        for (const convert::MailboxResult& mailbox : outcome.mailboxes) anyStored |= mailbox.stored > 0;
        result = anyStored ? L"Saving Completed with Errors" : L"Saving Failed";
    }
    ShowWindow(SW_HIDE);
    RunViewLog(result);
    // Dismissing the View Log dialog ends the process; when it comes back
    // otherwise, the page is shown again so the wizard can still be left.
    ShowWindow(SW_SHOW);
    return 0;
}

void CFileSave::StopWorkerAndWait() {
    m_worker.RequestStop();
    m_worker.Wait();
}

bool CFileSave::AskWithWorkerHalted(const wchar_t* question) {
    m_worker.Pause();
    if (seam::ShowMessageBox(m_hWnd, question, kMessageCaption, kPageQuestion) == IDYES) return true;
    if (!m_paused) m_worker.Resume();
    return false;
}

void CFileSave::OnStop() {
    if (!AskWithWorkerHalted(L"Saving is in Process. Do you want to Stop & exit ?")) return;
    for (const CString& entry : {CString(L"\r\n"), CString(L"\r\n"), CString(logtext::StopButtonAbortBanner())})
        AppendActivityLog(entry);
    g_savingAborted = 1;
    m_stoppedByUser = true;
    // The message being handed over is finished, so every store ends committed.
    StopWorkerAndWait();
    ShowUpdates();
    ShowWindow(SW_HIDE);
    RunViewLog(CString());
    ShowWindow(SW_SHOW);
}

void CFileSave::OnPause() {
    if (m_paused) {
        m_worker.Resume();
        GetDlgItem(IDC_SAVE_PAUSE).SetWindowText(L"Pause");
    } else {
        m_worker.Pause();
        GetDlgItem(IDC_SAVE_PAUSE).SetWindowText(L"Resume");
    }
    m_paused = !m_paused;
}

void CFileSave::EndProcessAfterAsking(const wchar_t* question) {
    if (!AskWithWorkerHalted(question)) return;
    for (const CString& entry : {CString(L"\r\n"), CString(L"\r\n"), CString(logtext::OtherAbortBanner())})
        AppendActivityLog(entry);
    m_stoppedByUser = true;
    StopWorkerAndWait();
    seam::TerminateOwnProcess(0);
}

LRESULT CFileSave::OnClose(WPARAM, LPARAM) {
    EndProcessAfterAsking(L"Saving is in Process. Do you want to exit ?");
    return 0;
}

BOOL CFileSave::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE) {
        EndProcessAfterAsking(L"Saving is in process.Do you want to exit ?");
        return TRUE;
    }
    return CSkinnedDialog::PreTranslateMessage(message);
}

void RunConversionPageModal(CWnd* owner) {
    // One page for every save of the process, never destroyed: the process
    // ends from the page or its View Log dialog, not by unwinding.
    static CFileSave& page = *new CFileSave;
    if (auto* preview = dynamic_cast<const pageflow::PreviewedMailbox*>(owner))
        page.SetPreviewedNumber(preview->CurrentNumber());
    page.DoModal();
}
