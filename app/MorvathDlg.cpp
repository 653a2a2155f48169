#include "MorvathDlg.h"

#include <vector>

#include "activitylog/ActivityLog.h"
#include "app/Help.h"
#include "app/MorvathDlgAutoProxy.h"
#include "app/MorvathDlgRes.h"
#include "res/resource.h"
#include "ui/SplashScreenEx.h"
#include "wizard/MenuCommands.h"
#include "wizard/PageFlow.h"
#include "wizard/SystemMenu.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr wchar_t kExitQuestion[] = L"Do you want to exit ?";
constexpr UINT kNotice = MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL;
constexpr int kFileNameBufferUnits = 2562;
constexpr DWORD kSplashMilliseconds = 2500;

// Commands that mean nothing until a mailbox is chosen. The last five are not on
// the wizard menu; graying an absent item does nothing.
constexpr UINT kGrayedCommands[] = {ID_SAVE_CURRENT_MAILBOX,
                                    ID_SAVE_ALL_MAILBOX,
                                    ID_SELECT_ALL,
                                    ID_CONVERT,
                                    ID_SELECT_DIRECTORY,
                                    ID_UNLISTED_MAIN_COMMAND_1,
                                    ID_UNLISTED_MAIN_COMMAND_2,
                                    ID_UNLISTED_MAIN_COMMAND_3,
                                    ID_SEARCH_PAGE_COMMAND_1,
                                    ID_SEARCH_PAGE_COMMAND_2};

bool EndsWithEdb(const CString& path) { return path.Right(3) == L"EDB"; }

}  // namespace

CMorvathDlg::CMorvathDlg(CWnd* parent)
    : CSkinnedDialog(IDD_MORVATH_DIALOG, kPageSkinFile, parent),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON))) {
    // The splash shows while the rest of start-up waits, before this page's window exists.
    CString splashPicture = g_programFolder;
    splashPicture += kSplashPictureFile;
    CSplashScreenEx::ShowAtStartup(this, splashPicture, kSplashMilliseconds);
}

CMorvathDlg::~CMorvathDlg() {
    if (m_pAutoProxy) m_pAutoProxy->m_pDialog = nullptr;
    if (g_mainPage == this) g_mainPage = nullptr;
}

BEGIN_MESSAGE_MAP(CMorvathDlg, CSkinnedDialog)
    ON_MESSAGE(WM_SYSCOMMAND, OnSysCommand)
    ON_MESSAGE(WM_CLOSE, OnClose)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_QUERYDRAGICON, OnQueryDragIcon)
    ON_MESSAGE(WM_HELP, OnHelp)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
    ON_BN_CLICKED(IDC_NEXT, OnNext)
    ON_BN_CLICKED(IDC_SEARCH, OnSearch)
    ON_BN_CLICKED(IDC_CLEAR_ALL, OnNothing)
    ON_COMMAND(ID_SELECT_EDB_FILE, OnBrowse)
    ON_COMMAND(ID_SAVE_CURRENT_MAILBOX, OnNothing)
    ON_COMMAND(ID_SAVE_ALL_MAILBOX, OnNothing)
    ON_COMMAND(ID_EXIT, OnExit)
    ON_COMMAND(ID_VIEW_LOG, OnViewLog)
    ON_COMMAND(ID_CLEAR_LOG, OnClearLog)
    ON_COMMAND(ID_HELP_CONTENTS, OnHelpContents)
    ON_COMMAND(ID_ABOUT, OnAbout)
END_MESSAGE_MAP()

void CMorvathDlg::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_SOURCE_FILE_LIST, m_sourceFileList);
    DDX_Control(exchange, IDC_NEXT, m_nextButton);
    DDX_Control(exchange, IDC_CLEAR_ALL, m_clearAllButton);
    DDX_Control(exchange, IDC_SEARCH, m_searchButton);
    DDX_Control(exchange, IDC_REPAIR_MODE, m_repairModeCheck);
    DDX_Control(exchange, IDC_SOURCE_PATH_EDIT, m_sourcePathEdit);
    DDX_Control(exchange, IDC_SELECT_FILE_LABEL, m_selectFileLabel);
    DDX_Control(exchange, IDC_SOURCE_PATH_LABEL, m_sourcePathLabel);
}

BOOL CMorvathDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutItemToSystemMenu(*this);
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);
    SetWindowText(g_productTitle);
    g_mainPage = this;

    AppendActivityLogHeader();

    GrayMenuCommands(GetMenu(), kGrayedCommands);

    m_sourceFileList.InsertColumn(0, L" File No.", LVCFMT_LEFT, 60);
    m_sourceFileList.InsertColumn(1, L" File Name", LVCFMT_LEFT, 500);
    m_sourceFileList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | 0x40000);
    m_sourcePathLabel.SetFill(RGB(255, 255, 255));
    return TRUE;
}

void CMorvathDlg::OnBrowse() {
    std::vector<wchar_t> fileName(kFileNameBufferUnits, L'\0');
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = m_hWnd;
    request.lpstrFilter = L"Microsoft Exchange Server Database\0*.edb\0\0";
    request.lpstrFile = fileName.data();
    request.nMaxFile = kFileNameBufferUnits;
    request.lpstrTitle = L" Open EDB file";
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    bool chosen = seam::ShowOpenFileDialog(&request) != FALSE;
    m_fileDialogResult = chosen ? IDOK : IDCANCEL;

    CString path = chosen ? CString(fileName.data()) : CString();
    g_sourceFilePath = path;
    g_analysisSourcePath = path;
    g_sourceFileName = chosen && request.nFileOffset < path.GetLength() ? path.Mid(request.nFileOffset) : CString();
    g_sourceFilePath.MakeUpper();

    if (!chosen) {
        m_sourcePathLabel.SetCaption(L"");
        return;
    }
    m_sourcePathEdit.SetWindowText(g_sourceFilePath);
    m_sourcePathLabel.SetCaption(L"");
    m_sourcePathLabel.SetWindowText(CString(L"  ") + g_sourceFilePath);
    m_pathText = m_sourcePathLabel.GetWindowText();

    m_browsedFileName = path;
    m_browsedFileName.MakeUpper();
    if (!EndsWithEdb(m_browsedFileName)) {
        seam::ShowMessageBox(m_hWnd, L"Select the correct File Name", g_productTitle, kNotice);
        return;
    }
    AddToSourceFileList(m_browsedFileName);
}

void CMorvathDlg::AddToSourceFileList(const CString& fileName) {
    if (fileName.IsEmpty()) return;
    int rows = m_sourceFileList.GetItemCount();
    for (int row = 0; row < rows; ++row) {
        if (m_sourceFileList.GetItemText(row, 1).CompareNoCase(fileName) == 0) return;
    }
    CString number;
    number.Format(L"%d", m_rowsAdded + 1);
    int row = m_sourceFileList.InsertItem(rows, number);
    m_sourceFileList.SetItemText(row, 1, fileName);
    ++m_rowsAdded;
}

bool CMorvathDlg::SourcePathIsValid() {
    if (m_fileDialogResult == IDCANCEL) return false;
    m_pathText = m_sourcePathEdit.GetWindowText();
    if (::GetFileAttributesW(m_pathText) == INVALID_FILE_ATTRIBUTES) return false;
    return EndsWithEdb(m_browsedFileName) && EndsWithEdb(m_pathText);
}

void CMorvathDlg::OnNext() {
    g_sourceFileCount = m_sourceFileList.GetItemCount();
    g_returnedFromPreview = 0;
    g_selectAll = 0;
    g_skipAnalysis = 0;
    AppendActivityLog(L"Source File Path :");

    if (!SourcePathIsValid()) {
        seam::ShowMessageBox(m_hWnd, L"Please Verify the EDB File Path", kMessageCaption, kNotice);
        return;
    }
    g_conversionSourcePath = m_pathText;
    g_sourceFilePath = m_pathText;

    ShowWindow(SW_HIDE);
    pageflow::RunMailboxPage(this);
    ShowWindow(SW_SHOWNORMAL);
    g_searchPageVisited = 0;
}

void CMorvathDlg::OnSearch() {
    ShowWindow(SW_HIDE);
    pageflow::RunSearchPage(this);
    ShowWindow(SW_SHOWNORMAL);
}

void CMorvathDlg::OnExit() {
    if (seam::ShowMessageBox(nullptr, kExitQuestion, kMessageCaption, kPageQuestion) == IDYES) OnCancel();
}

void CMorvathDlg::OnViewLog() { OpenActivityLogInNotepad(); }

void CMorvathDlg::OnClearLog() { ClearActivityLog(m_hWnd, L"Do you want to clear Log File ?"); }

void CMorvathDlg::OnHelpContents() { LaunchHelp(kContentsHelpTitle); }

void CMorvathDlg::OnAbout() { pageflow::RunAboutDialog(this); }

LRESULT CMorvathDlg::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return 0;
    }
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        // Next stays disabled while the question is up, so it cannot start a page behind it.
        m_nextButton.EnableWindow(false);
        if (seam::ShowMessageBox(m_hWnd, kExitQuestion, kMessageCaption, kPageQuestion) == IDYES) OnOK();
        m_nextButton.EnableWindow(true);
        return 0;
    }
    return Default();
}

bool CMorvathDlg::CanExit() {
    // An automation client still holds the page: keep it alive, out of sight.
    if (m_pAutoProxy) {
        m_hiddenByClose = true;
        ShowWindow(SW_HIDE);
        return false;
    }
    return true;
}

LRESULT CMorvathDlg::OnClose(WPARAM, LPARAM) {
    if (CanExit()) return Default();
    return 0;
}

void CMorvathDlg::OnOK() {
    if (CanExit()) CDialog::OnOK();
}

void CMorvathDlg::OnCancel() {
    if (CanExit()) CDialog::OnCancel();
}

LRESULT CMorvathDlg::OnPaint(WPARAM, LPARAM) {
    if (!IsIconic()) return Default();
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(&client);
    int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CMorvathDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_hIcon); }

BOOL CMorvathDlg::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN) {
        if (message->wParam == VK_ESCAPE) {
            if (seam::ShowMessageBox(nullptr, kExitQuestion, kMessageCaption, kPageQuestion) == IDYES)
                seam::TerminateOwnProcess(0);
            return TRUE;
        }
        if (message->wParam == VK_F1) LaunchHelp(kMainPageHelpTitle);
    }
    return CSkinnedDialog::PreTranslateMessage(message);
}
