#include "Preview.h"

#include <filesystem>
#include <string>

#include "activitylog/ActivityLog.h"
#include "logtext/LogText.h"
#include "mailbox/PreviewRes.h"
#include "mailbox/ProgressBar.h"
#include "res/resource.h"
#include "scan/HeaderScan.h"
#include "scan/ScanToken.h"
#include "scan/SubjectText.h"
#include "text/CodePage.h"
#include "transfer/OutputNames.h"
#include "wizard/MenuCommands.h"
#include "wizard/PageFlow.h"
#include "wizard/SystemMenu.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr WorkerMessages kListingMessages = {WM_APP + 0x320};
constexpr UINT kRunFirstAnalysis = WM_APP + 0x32F;
constexpr UINT kNotice = MB_OK | MB_ICONINFORMATION;
constexpr wchar_t kMissingDestination[] = L"Saving path doesn't exist, select another path for saving";

// The listing ends after this many markers: the last one is not counted.
constexpr uint64_t kListingMarkers = 52;

bool IsDirectory(const CString& path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString WithTrailingBackslash(CString folder) {
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] != L'\\') folder += L"\\";
    return folder;
}

CString DecimalText(long long value) { return CString(std::to_wstring(value)); }

}  // namespace

CPreview::CPreview(CWnd* parent)
    : CSkinnedDialog(IDD_PREVIEW, kPageSkinFile, parent),
      m_icon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON))) {}

CPreview::~CPreview() { StopInboxListing(); }

BEGIN_MESSAGE_MAP(CPreview, CSkinnedDialog)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_SYSCOMMAND, OnSysCommand)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_MESSAGE(WM_HELP, OnHelp)
    ON_MESSAGE(kRunFirstAnalysis, OnFirstAnalysis)
    ON_MESSAGE(kListingMessages.Progress(), OnListingProgress)
    ON_MESSAGE(kListingMessages.Finished(), OnListingFinished)
    ON_BN_CLICKED(IDC_PREVIEW_PREVIOUS_MAILBOX, OnPreviousMailbox)
    ON_BN_CLICKED(IDC_PREVIEW_NEXT_MAILBOX, OnNextMailbox)
    ON_BN_CLICKED(IDC_PREVIEW_BACK, OnBack)
    ON_BN_CLICKED(IDC_PREVIEW_SAVE_CURRENT, OnSaveCurrentMailbox)
    ON_BN_CLICKED(IDC_PREVIEW_SAVE_ALL, OnSaveAll)
    ON_COMMAND(ID_SAVE_CURRENT_MAILBOX, OnSaveCurrentMailbox)
    ON_COMMAND(ID_SAVE_ALL_MAILBOX, OnSaveAll)
    ON_COMMAND(ID_EXIT, OnExit)
    ON_COMMAND(ID_EXIT_UNLISTED, OnExitCommand)
    ON_COMMAND(ID_CLEAR_LOG, OnClearLog)
    ON_NOTIFY(TVN_SELCHANGEDW, IDC_PREVIEW_FOLDER_TREE, OnFolderSelected)
    ON_NOTIFY(NM_CLICK, IDC_PREVIEW_MESSAGE_LIST, OnMessageClick)
END_MESSAGE_MAP()

BOOL CPreview::OnInitDialog() {
    CSkinnedDialog::OnInitDialog();
    m_tree.SubclassDlgItem(IDC_PREVIEW_FOLDER_TREE, m_hWnd);
    m_sourcePathText.SubclassDlgItem(IDC_PREVIEW_SOURCE_PATH, *this);
    m_shownNumber.SubclassDlgItem(IDC_PREVIEW_SHOWN_NUMBER, *this);
    m_list.Attach(::GetDlgItem(m_hWnd, IDC_PREVIEW_MESSAGE_LIST));

    AppendAboutItemToSystemMenu(*this);
    SetIcon(m_icon, true);
    SetIcon(m_icon, false);
    m_listImages = MakeIconList(ILC_COLOR16 | ILC_MASK,
                                {157, 159, 148, 149, 150, 160, 151, 161, 152, 153, 162, 154, 156, 152, 147, 165});

    for (const CString& entry : {CString(logtext::FolderSearchStepBanner()), CString(L"\r\n"), CString(L"\r\n"),
                                 CString(L"Mailbox Name:"), CString(L"\r\n"), CString(L"\r\n")})
        AppendActivityLog(entry);

    m_list.InsertColumn(0, L"From", LVCFMT_LEFT, 150);
    m_list.InsertColumn(1, L"E-mail Subject", LVCFMT_LEFT, 335);
    m_list.SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_listImages.get()));

    SetWindowText(g_productTitle);
    GrayMenuCommands(GetMenu(), kPreviewGrayedCommands);
    for (int id : {IDC_PREVIEW_SAVE_CURRENT, IDC_PREVIEW_SAVE_ALL, IDC_PREVIEW_PREVIOUS_MAILBOX,
                   IDC_PREVIEW_NEXT_MAILBOX, IDC_PREVIEW_BACK})
        GetDlgItem(id).EnableWindow(false);

    m_currentNumber = 1;
    g_mailboxNumberText = DecimalText(m_currentNumber);
    m_selectedCount = g_selectedMailboxes.Count();
    if (g_conversionSourcePath.IsEmpty() || g_conversionSourcePath == L" ") {
        g_conversionSourcePath = g_selectedEdbFile;
        g_analysisSourcePath = g_selectedEdbFile;
    }
    SetDlgItemText(IDC_PREVIEW_SOURCE_PATH, g_conversionSourcePath);
    SetDlgItemText(IDC_PREVIEW_SELECTED_COUNT, g_selectedCountText);
    SetDlgItemText(IDC_PREVIEW_SHOWN_NUMBER, g_skipAnalysis ? g_selectedCountText : DecimalText(m_currentNumber));

    if (g_skipAnalysis) {
        GetDlgItem(IDC_PREVIEW_BACK).EnableWindow(true);
        GetDlgItem(IDC_PREVIEW_SAVE_ALL).EnableWindow(true);
        SetCommandsEnabled({ID_SAVE_CURRENT_MAILBOX}, false);
    } else if (m_selectedCount > 1) {
        GetDlgItem(IDC_PREVIEW_NEXT_MAILBOX).EnableWindow(true);
    }

    for (int i = 0; i < g_selectedMailboxes.Count(); ++i) {
        AppendActivityLog(g_selectedMailboxes.Name(i));
        AppendActivityLog(L"\r\n");
    }
    if (g_sourceFromSearch) g_analysisSourcePath = g_selectedEdbFile;

    m_firstPaintPending = true;
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_SINGLEROW);
    return TRUE;
}

void CPreview::SetCommandsEnabled(std::initializer_list<UINT> commands, bool enable) {
    HMENU menu = GetMenu();
    if (!menu) return;
    for (UINT command : commands) ::EnableMenuItem(menu, command, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void CPreview::EnableSaving(bool enable) {
    GetDlgItem(IDC_PREVIEW_SAVE_ALL).EnableWindow(enable);
    GetDlgItem(IDC_PREVIEW_SAVE_CURRENT).EnableWindow(enable);
    SetCommandsEnabled({ID_SAVE_CURRENT_MAILBOX, ID_SAVE_ALL_MAILBOX}, enable);
}

void CPreview::ShowNumber(int number) { SetDlgItemText(IDC_PREVIEW_SHOWN_NUMBER, DecimalText(number)); }

LRESULT CPreview::OnPaint(WPARAM, LPARAM) {
    if (g_skipAnalysis) {
        if (g_skipNoticePending) {
            g_skipNoticePending = 0;
            seam::ShowMessageBox(nullptr,
                                 L"Analysis skiped, Preview not available.\r\nClick on Save All button to continue",
                                 kMessageCaption, MB_OK | MB_ICONINFORMATION);
        }
    } else if (m_firstPaintPending) {
        // The analysis runs its own modal loop: start it after this paint, not inside it.
        m_firstPaintPending = false;
        PostMessage(kRunFirstAnalysis);
    }
    return Default();
}

LRESULT CPreview::OnFirstAnalysis(WPARAM, LPARAM) {
    RunAnalysis();
    GetDlgItem(IDC_PREVIEW_BACK).EnableWindow(true);
    return 0;
}

void CPreview::RunAnalysis() {
    AnalysisTargets targets;
    targets.tree = &m_tree;
    targets.list = &m_list;
    targets.saveCurrent = ::GetDlgItem(m_hWnd, IDC_PREVIEW_SAVE_CURRENT);
    targets.saveAll = ::GetDlgItem(m_hWnd, IDC_PREVIEW_SAVE_ALL);
    targets.pageMenu = GetMenu();
    CProgressBar analysis(targets, this);
    analysis.DoModal();
}

void CPreview::EmptyTreeAndList() {
    StopInboxListing();
    m_tree.DeleteAllItems();
    m_list.DeleteAllItems();
}

void CPreview::OnNextMailbox() {
    EmptyTreeAndList();
    if (g_analysisAborted) {
        g_analysisAborted = 0;
        EnableSaving(false);
    }
    g_tickedFolders.clear();
    GetDlgItem(IDC_PREVIEW_PREVIOUS_MAILBOX).EnableWindow(true);
    ++m_currentNumber;
    ShowNumber(m_currentNumber);
    SetDlgItemText(IDC_PREVIEW_SOURCE_PATH, g_conversionSourcePath);
    if (m_currentNumber >= m_selectedCount) GetDlgItem(IDC_PREVIEW_NEXT_MAILBOX).EnableWindow(false);
    EnableSaving(false);
    g_treeReady = 1;
    ShowMailbox();
}

void CPreview::OnPreviousMailbox() {
    SetDlgItemText(IDC_PREVIEW_SOURCE_PATH, g_conversionSourcePath);
    if (g_analysisAborted) {
        g_analysisAborted = 0;
        EnableSaving(false);
    }
    if (m_currentNumber <= 1) {
        GetDlgItem(IDC_PREVIEW_PREVIOUS_MAILBOX).EnableWindow(false);
        return;
    }
    EmptyTreeAndList();
    --m_currentNumber;
    ShowNumber(m_currentNumber);
    GetDlgItem(IDC_PREVIEW_NEXT_MAILBOX).EnableWindow(true);
    if (m_currentNumber == 1) GetDlgItem(IDC_PREVIEW_PREVIOUS_MAILBOX).EnableWindow(false);
    EnableSaving(false);
    ShowMailbox();
}

void CPreview::ShowMailbox() {
    int index = m_currentNumber - 1;
    g_previewedMailboxName =
        index >= 0 && index < g_selectedMailboxes.Count() ? g_selectedMailboxes.Name(index) : CString();
    if (g_previewedMailboxName == L" ") return;
    g_lastAnalysedMailboxName = g_previewedMailboxName;
    RunAnalysis();
    GetDlgItem(IDC_PREVIEW_BACK).EnableWindow(true);
    EnableSaving(true);
    if (g_analysisAborted) {
        g_analysisAborted = 0;
        EnableSaving(false);
    }
}

void CPreview::OnFolderSelected(NMHDR* header, LRESULT*) {
    auto* change = reinterpret_cast<NMTREEVIEWW*>(header);
    StopInboxListing();
    CString text = change->itemNew.hItem ? m_tree.ItemText(change->itemNew.hItem) : CString();
    if (!text.IsEmpty()) m_list.DeleteAllItems();
    if (text == L"Inbox") StartInboxListing();
}

void CPreview::StartInboxListing() {
    CString path = g_analysisSourcePath;
    m_listingCount = 0;
    m_listing.Start(m_hWnd, kListingMessages, [this, path](CWorker& worker) { ListInbox(worker, path); });
}

void CPreview::StopInboxListing() {
    // The listing only posts to this thread, so waiting for it cannot deadlock.
    m_listing.RequestStop();
    m_listing.Wait();
    m_listingRows.Take();  // rows of a stopped listing belong to no list
}

void CPreview::ListInbox(CWorker& worker, const CString& path) {
    mailbox::ScanError error;
    std::unique_ptr<mailbox::SourceFile> file = mailbox::OpenSourceFile(std::filesystem::path(path.str()), error);
    if (!file) return;
    mailbox::ScanTokenFor<CWorker> token(worker);
    mailbox::ForEachHeader(
        *file, token, [](uint64_t) {},
        [&](const mailbox::HeaderMarker& marker) {
            if (marker.number + 1 >= kListingMarkers) return false;
            if (marker.number < mailbox::kListedHeaders) {
                std::wstring text = mailbox::SystemCodePage().Decode(marker.text, marker.TextSize());
                m_listingRows.Push(static_cast<size_t>(marker.number), mailbox::SubjectText(text));
                worker.PostProgress(0);
            }
            m_listingCount = marker.number + 1;
            return true;
        });
}

LRESULT CPreview::OnListingProgress(WPARAM, LPARAM) {
    for (const HeaderRowQueue::Row& row : m_listingRows.Take()) InsertHeaderRow(m_list, row.first, row.second);
    return 0;
}

LRESULT CPreview::OnListingFinished(WPARAM end, LPARAM) {
    OnListingProgress(0, 0);
    // A stopped listing's notice may arrive after a newer listing began: only
    // a listing that ran to its end reports its count.
    if (static_cast<WorkerEnd>(end) == WorkerEnd::Completed && !m_listing.IsRunning() && m_listingCount > 0)
        g_analysisMessageCount = m_listingCount;
    return 0;
}

void CPreview::OnMessageClick(NMHDR*, LRESULT*) {
    int mark = static_cast<int>(m_list.SendMessage(LVM_GETSELECTIONMARK));
    if (mark < 0) return;
    CString subject = m_list.GetItemText(mark, 1);
    CString previewFile = g_programFolder + L"\\~MO.html";
    // The preview file is only ever overwritten here, never created.
    if (::GetFileAttributesW(previewFile) == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesW(previewFile, FILE_ATTRIBUTE_NORMAL);
    UniqueFileHandle file(::CreateFileW(previewFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), subject.GetString(), static_cast<DWORD>(subject.GetLength() * sizeof(wchar_t)), &written,
                nullptr);
}

bool CPreview::PickDestination(CString& folder) {
    BROWSEINFOW request = {};
    request.hwndOwner = m_hWnd;
    request.lpszTitle = L"Select the Destination Path";
    request.ulFlags = BIF_VALIDATE;
    UniquePidl chosen(seam::BrowseForFolder(&request));
    if (!chosen) return false;
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(chosen.get(), path)) path[0] = L'\0';
    folder = path;
    return true;
}

void CPreview::WalkTickedFolders(HTREEITEM item) {
    for (HTREEITEM child = m_tree.Child(item); child; child = m_tree.Sibling(child)) {
        if (m_tree.IsTicked(child)) {
            g_tickedFolders.push_back(m_tree.ItemPath(child));
            m_folderSelected = true;
            m_anyFolderTicked = true;
        }
        WalkTickedFolders(child);
    }
}

void CPreview::WalkTickedFolders() {
    // Every walk starts from an empty list and cleared flags, so no folder is
    // saved twice and no earlier tick counts for a later Save.
    g_tickedFolders.clear();
    m_folderSelected = false;
    m_anyFolderTicked = false;
    for (HTREEITEM top = m_tree.Root(); top; top = m_tree.Sibling(top)) WalkTickedFolders(top);
}

void CPreview::RunConversion() {
    StopInboxListing();
    SetCommandsEnabled({ID_SAVE_CURRENT_MAILBOX, ID_SAVE_ALL_MAILBOX}, true);
    ShowWindow(SW_HIDE);
    pageflow::RunConversionPage(this);
    ShowWindow(SW_SHOW);
}

void CPreview::OnSaveCurrentMailbox() {
    g_saveCurrentPending = 1;
    g_tickedFolders.clear();
    CString folder;
    if (!PickDestination(folder)) return;
    if (!IsDirectory(folder)) {
        seam::ShowMessageBox(m_hWnd, kMissingDestination, kMessageCaption, kNotice);
        return;
    }
    WalkTickedFolders();
    g_runFolder =
        convert::SaveCurrentRunFolder(folder.GetString(), convert::DateText(convert::CurrentLocalTime())).c_str();
    if (!m_folderSelected) {
        seam::ShowMessageBox(m_hWnd, L"Select any folder for saving", kMessageCaption, kNotice);
        return;
    }
    g_savingCurrentMailbox = 1;
    RunConversion();
    m_folderSelected = false;
}

void CPreview::OnSaveAll() {
    CString folder;
    if (!PickDestination(folder)) return;
    if (folder.IsEmpty() || !IsDirectory(folder)) {
        seam::ShowMessageBox(m_hWnd, kMissingDestination, kMessageCaption, kNotice);
        return;
    }
    g_destinationFolder = WithTrailingBackslash(folder);
    WalkTickedFolders();
    // Save All saves the standard folders of every selected mailbox, ticked
    // or not, so it always runs, once; without Select All the notice still
    // says afterwards when nothing was ticked.
    g_saveCurrentPending = 0;
    g_savingCurrentMailbox = 0;
    RunConversion();
    if (!g_selectAll && !m_anyFolderTicked && !g_skipAnalysis)
        seam::ShowMessageBox(m_hWnd, L"Select All folder for saving", kMessageCaption, kNotice);
}

void CPreview::OnBack() {
    g_returnedFromPreview = 1;
    g_treeReady = 1;
    if (seam::ShowMessageBox(nullptr, L"  Do you want to go back ?", kMessageCaption, kPageQuestion) != IDYES) return;
    StopInboxListing();
    g_selectedMailboxes.Free();
    g_selectedCountText.Empty();
    m_tree.DeleteAllItems();
    g_previewedMailboxName.Empty();
    EndDialog(IDCANCEL);
}

bool CPreview::AskToExit(const wchar_t* question) {
    if (seam::ShowMessageBox(m_hWnd, question, kMessageCaption, kPageQuestion) != IDYES) return false;
    StopInboxListing();
    seam::TerminateOwnProcess(0);
    return true;
}

void CPreview::OnExit() { AskToExit(L"  Do you want to exit ?"); }

void CPreview::OnExitCommand() { AskToExit(L" Do you want to exit ?"); }

void CPreview::OnClearLog() { ClearActivityLog(m_hWnd, L"Do you want to clear Log File"); }

LRESULT CPreview::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        pageflow::RunAboutDialog(this);
        return 0;
    }
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        AskToExit(L"Do you want to exit ?");
        return 0;
    }
    return Default();
}

LRESULT CPreview::OnDestroy(WPARAM, LPARAM) {
    StopInboxListing();
    FreeCheckBoxImages(m_tree.m_hWnd);
    return Default();
}

BOOL CPreview::PreTranslateMessage(MSG* message) {
    switch (message->message) {
    case WM_KEYDOWN:
        if (message->wParam == VK_ESCAPE) {
            AskToExit(L"  Do you want to exit ?");
            return TRUE;
        }
        if (message->wParam == VK_F1) {
            // Help belongs to the main page; the command travels there.
            SendMessage(WM_COMMAND, ID_HELP_CONTENTS);
            return TRUE;
        }
        if ((message->wParam == 'A' || message->wParam == 'C') && (::GetKeyState(VK_CONTROL) & 0x8000)) {
            ::TranslateMessage(message);
            ::DispatchMessageW(message);
            return TRUE;
        }
        break;
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return TRUE;
    default:
        break;
    }
    return CSkinnedDialog::PreTranslateMessage(message);
}

void RunPreviewPageModal(CWnd* owner) {
    CPreview page(owner);
    page.DoModal();
}
