#include "Mailbox.h"

#include <filesystem>
#include <new>
#include <utility>

#include "activitylog/ActivityLog.h"
#include "logtext/LogText.h"
#include "mailbox/ImageLists.h"
#include "mailbox/MailboxRes.h"
#include "res/resource.h"
#include "scan/MailboxScan.h"
#include "scan/ScanToken.h"
#include "text/CodePage.h"
#include "wizard/MenuCommands.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr UINT kWarning = MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL;

// The scan worker's messages: progress and finished from CWorker, then ours.
constexpr WorkerMessages kScanMessages = {WM_APP + 0x142};
constexpr UINT kMailboxesFound = WM_APP + 0x142 + 2;
constexpr UINT kSourceOpened = WM_APP + 0x142 + 3;

// Grayed while the page is open, besides the search page's commands; Convert
// and Select All come back when the scan ends.
constexpr UINT kPageGrayedCommands[] = {ID_SELECT_EDB_FILE, ID_SAVE_ALL_MAILBOX, ID_SAVE_CURRENT_MAILBOX,
                                        ID_CONVERT,         ID_SELECT_DIRECTORY, ID_SELECT_ALL};

void GrayMenuCommand(HMENU menu, UINT command, bool grayed) {
    if (menu) ::EnableMenuItem(menu, command, MF_BYCOMMAND | (grayed ? MF_GRAYED : MF_ENABLED));
}

bool NamesAnExistingFile(const CString& path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return !path.IsEmpty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString Decimal(long long value) {
    CString text;
    text.Format(L"%lld", value);
    return text;
}

}  // namespace

CMailbox* CMailbox::s_current = nullptr;

CMailbox::CMailbox(CWnd* parent) : CSkinnedDialog(IDD_MAILBOX, kPageSkinFile, parent) {}

CMailbox::~CMailbox() {
    m_scan.RequestStop();
    m_scan.Wait();
    if (s_current == this) s_current = nullptr;
}

BEGIN_MESSAGE_MAP(CMailbox, CSkinnedDialog)
    ON_MESSAGE(WM_SYSCOMMAND, OnSysCommand)
    ON_MESSAGE(WM_CLOSE, OnClose)
    ON_MESSAGE(WM_HELP, OnHelp)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_MESSAGE(kScanMessages.Progress(), OnScanProgress)
    ON_MESSAGE(kScanMessages.Finished(), OnScanFinished)
    ON_MESSAGE(kMailboxesFound, OnMailboxesFound)
    ON_MESSAGE(kSourceOpened, OnSourceOpened)
    ON_BN_CLICKED(IDC_MAILBOX_CONVERT, OnConvert)
    ON_BN_CLICKED(IDCANCEL, OnBack)
    ON_BN_CLICKED(IDC_MAILBOX_HIDDEN_BACK, OnHiddenBack)
    ON_BN_CLICKED(IDC_MAILBOX_SELECT_ALL, OnSelectAll)
    ON_BN_CLICKED(IDC_MAILBOX_SKIP_ANALYSIS, OnSkipAnalysis)
    ON_COMMAND(ID_CONVERT, OnConvert)
    ON_COMMAND(ID_SELECT_ALL, OnSelectAllMenu)
    ON_COMMAND(ID_EXIT, OnExit)
    ON_NOTIFY(NM_CLICK, IDC_MAILBOX_LIST, OnListNotify)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_MAILBOX_LIST, OnListNotify)
    ON_NOTIFY(LVN_KEYDOWN, IDC_MAILBOX_LIST, OnListNotify)
    ON_NOTIFY(LVN_COLUMNCLICK, IDC_MAILBOX_LIST, OnListNotify)
    ON_NOTIFY(NM_THEMECHANGED, IDC_MAILBOX_LIST, OnListNotify)
    ON_NOTIFY(HDN_ITEMCLICKW, 0, OnListNotify)
END_MESSAGE_MAP()

void CMailbox::DoDataExchange(CDataExchange* exchange) {
    CSkinnedDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_MAILBOX_LIST, m_mailboxList);
    DDX_Control(exchange, IDC_MAILBOX_CONVERT, m_convertButton);
    DDX_Control(exchange, IDCANCEL, m_backButton);
    DDX_Control(exchange, IDC_MAILBOX_SELECT_ALL, m_selectAllCheck);
    DDX_Control(exchange, IDC_MAILBOX_SKIP_ANALYSIS, m_skipAnalysisCheck);
    DDX_Control(exchange, IDC_MAILBOX_SCAN_PROGRESS, m_progress);
    DDX_Control(exchange, IDC_MAILBOX_SOURCE_PATH, m_sourcePath);
    DDX_Control(exchange, IDC_MAILBOX_ENUMERATING, m_enumerating);
}

BOOL CMailbox::OnInitDialog() {
    CSkinnedDialog::OnInitDialog();
    s_current = this;
    ResetVisitState();
    for (const CString& entry : {CString(L"\r\n"), CString(L"\r\n"), CString(logtext::MailboxStepBanner()),
                                 CString(L"\r\n"), CString(L"\r\n")})
        AppendActivityLog(entry);

    m_mailboxList.InsertColumn(0, L"User Mailbox Name", LVCFMT_LEFT, 670);
    m_mailboxList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    SetScanningControls(true);
    SetWindowText(g_productTitle);
    StartScan();

    HMENU menu = GetMenu();
    GrayMenuCommands(menu, kSearchPageCommands);
    GrayMenuCommands(menu, kPageGrayedCommands);
    m_selectAllMenuTicks = true;
    return TRUE;
}

// A visit starts from nothing chosen: a Back from a page opened by the search
// page, or a return from the preview, must not leave an old choice to a new scan.
void CMailbox::ResetVisitState() {
    g_selectedMailboxes.Free();
    g_selectAll = 0;
    g_returnedFromPreview = 0;
    g_skipAnalysis = 0;
    m_selectedCount = 0;
}

void CMailbox::SetScanningControls(bool scanning) {
    for (CWnd* control : {static_cast<CWnd*>(&m_convertButton), static_cast<CWnd*>(&m_backButton),
                          static_cast<CWnd*>(&m_selectAllCheck), static_cast<CWnd*>(&m_skipAnalysisCheck)})
        control->EnableWindow(!scanning);
    if (scanning) return;
    m_progress.ShowWindow(SW_HIDE);
    m_enumerating.ShowWindow(SW_HIDE);
    m_progress.SetPos(0);
    HMENU menu = GetMenu();
    GrayMenuCommand(menu, ID_CONVERT, false);
    GrayMenuCommand(menu, ID_SELECT_ALL, false);
}

void CMailbox::ChooseSourceFile() {
    if (g_sourceFromSearch) {
        g_conversionSourcePath = g_selectedEdbFile;
        g_sourceFilePath = g_selectedEdbFile;
    }
    // An empty fallback would only hide which file was missing.
    if (!NamesAnExistingFile(g_sourceFilePath) && !g_selectedEdbFile.IsEmpty()) g_sourceFilePath = g_selectedEdbFile;
}

// The worker reads the file and hands each new name over; the page writes the
// controls when the worker's messages arrive.
void CMailbox::StartScan() {
    // A page object opened again first lets its earlier run end.
    m_scan.RequestStop();
    m_scan.Wait();
    m_found.clear();
    ChooseSourceFile();
    m_scanPath = g_sourceFilePath;
    HWND page = m_hWnd;
    std::wstring path = m_scanPath.str();
    bool started = m_scan.Start(page, kScanMessages, [this, page, path](CWorker& worker) {
        mailbox::ScanError error;
        std::unique_ptr<mailbox::SourceFile> file = mailbox::OpenSourceFile(std::filesystem::path(path), error);
        mailbox::MailboxScanResult result;
        if (file) {
            ::PostMessageW(page, kSourceOpened, 0, 0);
            mailbox::ScanTokenFor<StopToken> token(worker.Token());
            mailbox::MailboxScanCallbacks callbacks;
            callbacks.onMailbox = [this, page](const std::wstring& name) {
                bool first;
                {
                    std::lock_guard<std::mutex> lock(m_foundMutex);
                    first = m_found.empty();
                    m_found.push_back(name);
                }
                if (first) ::PostMessageW(page, kMailboxesFound, 0, 0);
            };
            callbacks.onProgress = [&worker](uint64_t percent) { worker.PostProgress(static_cast<WPARAM>(percent)); };
            result = mailbox::ScanMailboxes(*file, mailbox::SystemCodePage(), token, callbacks);
        } else {
            result.error = error;
        }
        std::lock_guard<std::mutex> lock(m_foundMutex);
        m_scanError = result.error;
        m_scanLength = result.sourceLength;
    });
    if (!started) {
        mailbox::ScanError error;
        error.kind = mailbox::ScanError::Kind::CannotOpen;
        error.path = path;
        error.reason = L"no thread could be started for the scan";
        SetScanningControls(false);
        ReportScanError(error);
    }
}

LRESULT CMailbox::OnDestroy(WPARAM, LPARAM) {
    FreeCheckBoxImages(m_mailboxList.m_hWnd);
    return Default();
}

LRESULT CMailbox::OnSourceOpened(WPARAM, LPARAM) {
    m_sourcePath.SetWindowText(m_scanPath);
    return 0;
}

void CMailbox::AddFoundRows() {
    std::vector<std::wstring> found;
    {
        std::lock_guard<std::mutex> lock(m_foundMutex);
        found.swap(m_found);
    }
    for (const std::wstring& name : found) m_mailboxList.InsertItem(m_mailboxList.GetItemCount(), name.c_str());
}

LRESULT CMailbox::OnMailboxesFound(WPARAM, LPARAM) {
    AddFoundRows();
    return 0;
}

LRESULT CMailbox::OnScanProgress(WPARAM percent, LPARAM) {
    // The last figure passes 100 when the length is a multiple of the block size: the bar shows full.
    m_progress.SetPos(percent > 100 ? 100 : static_cast<int>(percent));
    return 0;
}

LRESULT CMailbox::OnScanFinished(WPARAM, LPARAM) {
    m_scan.Wait();  // the thread has posted its last message and is ending: only releases it
    AddFoundRows();
    mailbox::ScanError error;
    {
        std::lock_guard<std::mutex> lock(m_foundMutex);
        error = m_scanError;
        g_sourceFileLength = m_scanLength;
    }
    SetScanningControls(false);
    if (error) ReportScanError(error);
    return 0;
}

// A source that cannot be opened or read ends the scan with what it found; the
// user learns which file and why, and the log keeps it.
void CMailbox::ReportScanError(const mailbox::ScanError& error) {
    CString detail(error.Message());
    CString text = error.kind == mailbox::ScanError::Kind::CannotOpen
                       ? CString(L"The source file could not be opened, so no mailbox was found.\r\n\r\n")
                       : CString(
                             L"The source file could not be read to its end; the mailboxes found before "
                             L"the failure are listed.\r\n\r\n");
    text = text + detail;
    for (const CString& entry : {CString(L"\r\n"), detail, CString(L"\r\n")}) AppendActivityLog(entry);
    seam::ShowMessageBox(m_hWnd, text, kMessageCaption, kWarning);
}

void CMailbox::BuildSelectedList() {
    g_selectedMailboxes.Free();
    try {
        int rows = m_mailboxList.GetItemCount();
        for (int row = 0; row < rows; ++row) {
            if (m_mailboxList.GetCheck(row)) g_selectedMailboxes.Append(m_mailboxList.GetItemText(row, 0));
        }
    } catch (const std::bad_alloc&) {
        g_selectedMailboxes.Free();
        seam::ShowMessageBox(nullptr, L"Out Of Memory", kMessageCaption, MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
        seam::ExitOwnProcess(0);
        return;
    }
    m_selectedCount = g_selectedMailboxes.Count();
    for (const CString& entry : {CString(L"\r\n"), CString(L"No. of User Mailbox Selected:"), Decimal(m_selectedCount),
                                 CString(L"\r\n"), CString(L"\r\n")})
        AppendActivityLog(entry);
}

void CMailbox::OnSelectAll() {
    int rows = m_mailboxList.GetItemCount();
    if (m_selectAllCheck.IsCheckedBool()) {
        if (rows == 0) return;
        g_selectAll = 1;
        for (int row = 0; row < rows; ++row) m_mailboxList.SetCheck(row, true);
        BuildSelectedList();
        g_conversionMailboxCursor = 0;
        return;
    }
    for (int row = 0; row < rows; ++row) m_mailboxList.SetCheck(row, false);
    g_selectAll = 0;
    g_selectedMailboxes.Free();
}

void CMailbox::OnSelectAllMenu() {
    m_selectAllCheck.SetCheck(m_selectAllMenuTicks ? BST_CHECKED : BST_UNCHECKED);
    m_selectAllMenuTicks = !m_selectAllMenuTicks;
    OnSelectAll();
}

void CMailbox::OnSkipAnalysis() {
    if (!m_skipAnalysisCheck.IsCheckedBool()) {
        g_skipAnalysis = 0;
        return;
    }
    g_skipAnalysis = 1;
    g_skipNoticePending = 1;
    for (const wchar_t* entry : {L"\r\n", L"Skiped Preview by user", L"\r\n", L"\r\n"}) AppendActivityLog(entry);
}

void CMailbox::OnConvert() {
    // The menu command is grayed while the scan runs; the button is disabled. Both must hold.
    if (m_scan.IsRunning()) return;
    if (g_returnedFromPreview) g_selectAll = 0;
    g_treeReady = 0;
    if (m_skipAnalysisCheck.IsCheckedBool()) {
        g_skipAnalysis = 1;
        g_skipNoticePending = 1;
    }
    if (!g_selectAll) BuildSelectedList();

    // The emptiness check comes before anything reads the head.
    g_previewMailboxCursor = 0;
    g_conversionMailboxCursor = 0;
    if (g_selectedMailboxes.IsEmpty()) {
        seam::ShowMessageBox(m_hWnd, L"Please Select Any Mailbox", kMessageCaption, kWarning);
        return;
    }
    g_currentMailboxName = g_selectedMailboxes.Name(0);
    g_selectedCountText = Decimal(g_selectedMailboxes.Count());
    m_scan.Wait();
    for (const CString& entry : {CString(L"\r\n"), CString(L" Total User Mailbox found:"),
                                 Decimal(m_mailboxList.GetItemCount()), CString(L"\r\n"), CString(L"\r\n")})
        AppendActivityLog(entry);
    ShowWindow(SW_HIDE);
    pageflow::RunPreviewPage(this);
    ShowWindow(SW_SHOWNORMAL);
}

bool CMailbox::AskYesNo(const wchar_t* question) {
    return seam::ShowMessageBox(nullptr, question, kMessageCaption, kPageQuestion) == IDYES;
}

void CMailbox::OnBack() {
    m_backButton.EnableWindow(false);
    if (!AskYesNo(L"Do you want to go back ?")) {
        m_backButton.EnableWindow(true);
        m_convertButton.EnableWindow(true);
        return;
    }
    g_selectedMailboxes.Free();
    if (g_searchPageVisited) {
        g_sourceFromSearch = 0;
    } else {
        g_skipNoticePending = 0;
        g_selectAll = 0;
    }
    g_selectedEdbFile.Empty();
    g_sourceFilePath.Empty();
    g_skipAnalysis = 0;
    EndDialog(IDCANCEL);
}

void CMailbox::OnHiddenBack() {
    if (AskYesNo(L"  Do you want to go back ?")) EndDialog(IDCANCEL);
}

void CMailbox::OnExit() {
    if (AskYesNo(L"    Do you want to exit ?")) seam::TerminateOwnProcess(0);
}

LRESULT CMailbox::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) != SC_CLOSE) return Default();
    if (AskYesNo(L"  Do you want to exit ?")) {
        EndDialog(IDCANCEL);
        seam::TerminateOwnProcess(0);
    }
    return 0;
}

LRESULT CMailbox::OnClose(WPARAM, LPARAM) { return OnSysCommand(SC_CLOSE, 0); }

// Help comes from the page's owner chain, which ends at the main page's Contents:
// the same help window title the help request asks for here.
LRESULT CMailbox::OnHelp(WPARAM, LPARAM) {
    SendMessage(WM_COMMAND, ID_HELP_CONTENTS, 0);
    return TRUE;
}

BOOL CMailbox::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN) {
        switch (message->wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
            return TRUE;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            // Straight to the focused control, so dialog navigation never moves the focus.
            ::TranslateMessage(message);
            ::DispatchMessageW(message);
            return TRUE;
        default:
            break;
        }
    }
    return CSkinnedDialog::PreTranslateMessage(message);
}

void RunMailboxPageModal(CWnd* owner) {
    CMailbox page(owner);
    page.DoModal();
}
