#include "Search.h"

#include "activitylog/ActivityLog.h"
#include "logtext/LogText.h"
#include "paths/ResultText.h"
#include "res/resource.h"
#include "search/SearchRes.h"
#include "wizard/MenuCommands.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr DWORD kResultListStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE | 0x8000;
constexpr uint32_t kArchiveAttribute = 0x20;

// Commands that have no meaning before a mailbox is chosen.
constexpr UINT kGrayedCommands[] = {ID_SELECT_EDB_FILE, ID_SELECT_ALL, ID_CONVERT, ID_SAVE_ALL_MAILBOX,
                                    ID_SAVE_CURRENT_MAILBOX};

bool IsExistingFolder(const CString& path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return !path.IsEmpty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFile(const CString& path) {
    DWORD attributes = ::GetFileAttributesW(path);
    return !path.IsEmpty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void AppendToLog(std::initializer_list<CString> entries) {
    for (const CString& entry : entries) AppendActivityLog(entry);
}

bool AskYesNo(const wchar_t* question) {
    return seam::ShowMessageBox(nullptr, question, kMessageCaption, kPageQuestion) == IDYES;
}

}  // namespace

CSearch::CSearch(CWnd* parent) : CSkinnedDialog(IDD_SEARCH_PAGE, kPageSkinFile, parent) {}

BEGIN_MESSAGE_MAP(CSearch, CSkinnedDialog)
    ON_MESSAGE(WM_CLOSE, OnClose)
    ON_MESSAGE(WM_HELP, OnHelp)
    ON_BN_CLICKED(IDC_SEARCH_BROWSE, OnBrowse)
    ON_BN_CLICKED(IDC_SEARCH_FIND_NOW, OnFindNow)
    ON_BN_CLICKED(IDC_SEARCH_NEXT, OnNext)
    ON_BN_CLICKED(IDC_SEARCH_BACK, OnBack)
    ON_COMMAND(ID_SELECT_DIRECTORY, OnBrowse)
    ON_COMMAND(ID_EXIT, OnExit)
    ON_NOTIFY(NM_CLICK, IDC_SEARCH_RESULTS, OnListClick)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_SEARCH_RESULTS, OnListItemChanged)
END_MESSAGE_MAP()

void CSearch::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_SEARCH_RESULTS, m_results);
    DDX_Control(exchange, IDC_SEARCH_BROWSE, m_browseButton);
    DDX_Control(exchange, IDC_SEARCH_SUBDIRECTORIES, m_subdirectoriesCheck);
    DDX_Control(exchange, IDC_SEARCH_FIND_NOW, m_findNowButton);
    DDX_Control(exchange, IDC_SEARCH_NEXT, m_nextButton);
    DDX_Control(exchange, IDC_SEARCH_BACK, m_backButton);
    DDX_Control(exchange, IDC_SEARCH_DIRECTORY, m_directoryEdit);
    DDX_Control(exchange, IDC_SEARCH_COUNTER, m_counter);
    DDX_Control(exchange, IDC_SEARCH_PATH_LABEL, m_pathLabel);
    DDX_Text(exchange, IDC_SEARCH_DIRECTORY, m_searchDirectory);
    if (exchange->m_bSaveAndValidate)
        m_searchSubdirectories = m_subdirectoriesCheck.GetCheck();
    else
        m_subdirectoriesCheck.SetCheck(m_searchSubdirectories ? BST_CHECKED : BST_UNCHECKED);
}

BOOL CSearch::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendToLog({CString(logtext::SearchStepBanner()), L"\r\n", L"\r\n"});

    m_results.InsertColumn(0, L"Name", LVCFMT_LEFT, 150);
    m_results.InsertColumn(1, L"In Folder", LVCFMT_LEFT, 300);
    m_results.InsertColumn(2, L"Size", LVCFMT_LEFT, 100);
    m_results.InsertColumn(3, L"Modified", LVCFMT_LEFT, 120);
    m_results.InsertColumn(4, L"", LVCFMT_LEFT, 0);
    m_results.InsertColumn(5, L"", LVCFMT_LEFT, 0);
    m_results.SetExtendedStyle(kResultListStyle);

    m_finder.SetProgressHandler(OnSearchProgress, this);
    m_nextButton.EnableWindow(false);
    m_findNowButton.EnableWindow(false);
    m_pathLabel.SetFill(RGB(255, 255, 255));
    SetWindowText(g_productTitle);
    GrayMenuCommands(GetMenu(), kGrayedCommands);
    g_searchPageVisited = 1;
    return TRUE;
}

void CSearch::SetSelectDirectoryEnabled(bool enabled) {
    if (HMENU menu = GetMenu())
        ::EnableMenuItem(menu, ID_SELECT_DIRECTORY, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void CSearch::OnBrowse() {
    // The browser has no owner window: the page stays enabled behind it.
    BROWSEINFOW request = {};
    request.lpszTitle = L"Select Path for Searching Files";
    UniquePidl chosen(seam::BrowseForFolder(&request));
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(chosen.get(), path) || path[0] == L'\0') return;

    m_directoryEdit.SetWindowText(path);
    m_pathLabel.SetSeeThrough(0);
    m_pathLabel.SetCaption(L"");
    m_pathLabel.SetWindowText(CString(L"  ") + path);
    AppendToLog({L"\r\n", L"\r\n", L"Searching Path:    ", path});
    m_findNowButton.EnableWindow(true);
}

void CSearch::EnableSearchControls(bool enabled) {
    for (CWnd* control : {static_cast<CWnd*>(&m_backButton), static_cast<CWnd*>(&m_subdirectoriesCheck),
                          static_cast<CWnd*>(&m_browseButton)})
        control->EnableWindow(enabled);
}

void CSearch::OnFindNow() {
    SetSelectDirectoryEnabled(false);
    if (m_running) {
        m_finder.RequestStop();  // the running search ends at its next check and finishes below
        return;
    }
    UpdateData(true);
    if (!IsExistingFolder(m_searchDirectory)) {
        seam::ShowMessageBox(m_hWnd, L"Select Search Directory?", g_productTitle, MB_OKCANCEL | MB_ICONQUESTION);
        SetSelectDirectoryEnabled(true);
        return;
    }
    EnableSearchControls(false);
    m_nextButton.EnableWindow(false);

    // The chosen file goes with the rows: a new search must not leave Next a file it no longer lists.
    m_results.DeleteAllItems();
    g_selectedEdbFile.Empty();
    ShowCount(0, L"0 items found");

    m_running = true;
    m_findNowButton.SetWindowText(L"Stop");
    m_finder.ClearResults();
    search::SearchCriteria criteria;
    criteria.folder = m_searchDirectory.str();
    CString mask;
    mask.Format(L"*%s*", L"*.edb");
    criteria.nameMask = mask.str();
    criteria.recurse = m_searchSubdirectories;
    criteria.options = search::kAttributeFilter;
    criteria.attributeMask = kArchiveAttribute;
    m_finder.Search(criteria);

    m_findNowButton.SetWindowText(L"Find Now");
    m_running = false;
    int count = static_cast<int>(m_finder.ResultCount());
    CString counter;
    counter.Format(L"%d items found", count);
    ShowCount(count, counter);
    if (g_foundCount != 0) m_nextButton.EnableWindow(true);
    CString total;
    total.Format(L"%d", count);
    AppendToLog({L"\r\n", L"\r\n", L"Total EDB File Found:    ", total});
    EnableSearchControls(true);
    SetSelectDirectoryEnabled(true);
}

void CSearch::OnSearchProgress(search::CFileFinder&, search::CFileFinder::Notification code, void* page) {
    static_cast<CSearch*>(page)->Progress(code);
}

void CSearch::Progress(search::CFileFinder::Notification code) {
    int count = static_cast<int>(m_finder.ResultCount());
    if (code == search::CFileFinder::FileFound) AddRow(m_finder.ResultAt(m_finder.ResultCount() - 1));
    if (code == search::CFileFinder::FileFound || code == search::CFileFinder::FolderEntered) {
        CString counter;
        counter.Format(L"(%d) - %s", count, m_finder.CurrentFolder().c_str());
        ShowCount(count, counter);
    }

    // The search runs inside a click handler: only these messages keep the page
    // painted and let a click on "Stop" reach OnFindNow.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));  // for the loops outside this one
            m_finder.RequestStop();
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    // A page that ended meanwhile has no use for the rest of the search.
    if (!m_hWnd || IsModalLoopEnded()) m_finder.RequestStop();
}

void CSearch::ShowCount(int count, const CString& text) {
    g_foundCount = count;
    m_counter.SetWindowText(text);
}

void CSearch::AddRow(search::CPath path) {
    int row = m_results.InsertItem(m_results.GetItemCount(), path.FileName().c_str());
    m_results.SetItemText(row, 1, path.FullPath().c_str());
    path.ReadFileData();
    uint64_t size = (static_cast<uint64_t>(path.FileData().sizeHigh) << 32) | path.FileData().sizeLow;
    m_results.SetItemText(row, 2, search::SizeText(size).c_str());
    m_results.SetItemText(row, 3, search::ModifiedText(path.LastWriteTime()).c_str());
}

// The chosen file is the selected row's, whether a click or the keyboard
// selected it; with no row selected there is none.
void CSearch::FollowSelection() {
    int row = static_cast<int>(m_results.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    g_selectedEdbFile = row >= 0 ? m_results.GetItemText(row, 1) : CString();
}

void CSearch::OnListClick(NMHDR*, LRESULT* result) {
    FollowSelection();
    *result = 0;
}

void CSearch::OnListItemChanged(NMHDR* header, LRESULT* result) {
    auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) && ((change->uOldState ^ change->uNewState) & LVIS_SELECTED)) FollowSelection();
    *result = 0;
}

void CSearch::OnNext() {
    if (!IsExistingFile(g_selectedEdbFile)) {
        seam::ShowMessageBox(m_hWnd, L"Select the File", kMessageCaption, MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
        return;
    }
    // Set only for a file that passed: a refused Next must leave the main page's own choice in force.
    g_sourceFromSearch = 1;
    AppendToLog({L"\r\n", L"\r\n", L"Selected EDB File :    ", g_selectedEdbFile});
    ShowWindow(SW_HIDE);
    pageflow::RunMailboxPage(this);
    ShowWindow(SW_SHOW);
    // The mailbox page's Back forgets the chosen file; the list then shows no row as chosen either.
    if (g_selectedEdbFile.IsEmpty()) ListView_SetItemState(m_results.m_hWnd, -1, 0, LVIS_SELECTED);
}

void CSearch::OnBack() {
    m_backButton.EnableWindow(false);
    m_nextButton.EnableWindow(false);
    if (AskYesNo(L"Do you want to go back ?")) {
        EndDialog(IDCANCEL);
        return;
    }
    m_backButton.EnableWindow(true);
    m_nextButton.EnableWindow(true);
}

void CSearch::OnExit() {
    if (AskYesNo(L"Do you want to exit ?")) seam::TerminateOwnProcess(0);
}

LRESULT CSearch::OnClose(WPARAM, LPARAM) {
    if (AskYesNo(L"  Do you want to exit ?")) {
        EndDialog(IDCANCEL);
        seam::TerminateOwnProcess(0);
    }
    return 0;
}

// Help comes from the owner chain, which ends at the main page's Contents.
LRESULT CSearch::OnHelp(WPARAM, LPARAM) {
    SendMessage(WM_COMMAND, ID_HELP_CONTENTS, 0);
    return TRUE;
}

BOOL CSearch::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN) {
        bool control = ::GetKeyState(VK_CONTROL) < 0;
        bool toFocusedControl = false;
        switch (message->wParam) {
        case 'A':
        case 'C':
            toFocusedControl = control;
            break;
        case VK_ESCAPE:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            // Escape does not close the page; the arrows move inside the list, not between controls.
            toFocusedControl = true;
            break;
        default:
            break;
        }
        if (toFocusedControl) {
            ::TranslateMessage(message);
            ::DispatchMessageW(message);
            return TRUE;
        }
    }
    return CSkinnedDialog::PreTranslateMessage(message);
}

void RunSearchPageModal(CWnd* owner) {
    CSearch page(owner);
    page.DoModal();
}
