// The mailbox page, created from its real template over a generated source,
// its scan worker really run, and driven with messages.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mailbox/Mailbox.h"
#include "mailbox/MailboxRes.h"
#include "res/resource.h"
#include "sample/SampleSource.h"
#include "tests/support/PageTestSupport.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr UINT kWarning = MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL;

struct PreviewVisit {
    bool ownerVisible;
    std::vector<std::wstring> selected;
    std::wstring current, countText;
    int skipAnalysis, skipNotice;
};
std::vector<PreviewVisit> g_previewVisits;
bool g_previewReturnsAsPreview = false;

void RecordPreview(CWnd* owner) {
    PreviewVisit visit = {
        owner->IsWindowVisible(), {}, g_currentMailboxName.str(), g_selectedCountText.str(), g_skipAnalysis,
        g_skipNoticePending};
    for (int i = 0; i < g_selectedMailboxes.Count(); ++i) visit.selected.push_back(g_selectedMailboxes.Name(i).str());
    g_previewVisits.push_back(visit);
    if (g_previewReturnsAsPreview) g_returnedFromPreview = 1;
}

std::wstring Widen(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                          &wide[0], static_cast<int>(wide.size()))));
    return wide;
}

std::string Narrow(const std::wstring& path) { return std::string(path.begin(), path.end()); }

class MailboxPageTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        g_previewVisits.clear();
        g_previewReturnsAsPreview = false;
        pageflow::RunPreviewPage = RecordPreview;
        source = sourceFolder.file(L"PRIV1.EDB");
        sample::SampleOptions options;
        options.messages = 20;
        std::string error;
        ASSERT_TRUE(sample::WriteSample(Narrow(source), options, expected, error)) << error;
        for (const std::string& name : expected.mailboxes) names.push_back(Widen(name));
        ASSERT_GE(names.size(), 5u);
    }

    // Opens the page on `path` and waits until its scan has ended.
    void Open(const std::wstring& path) {
        g_sourceFilePath = path.c_str();
        ASSERT_TRUE(page.Create());
        ShowAndPaint(page.m_hWnd);
        seams.probeWindow = Item(IDCANCEL);
        for (int waited = 0; !::IsWindowEnabled(Item(IDC_MAILBOX_CONVERT)) && waited < 20000; waited += 10) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
            ::Sleep(10);
        }
        ASSERT_TRUE(::IsWindowEnabled(Item(IDC_MAILBOX_CONVERT))) << "the scan did not end";
    }
    HWND Item(int id) const { return ::GetDlgItem(page.m_hWnd, id); }
    void Command(int id) { ::SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void SetBox(int id, bool ticked) {
        ::SendMessageW(Item(id), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
        Command(id);
    }
    int Rows() const { return static_cast<int>(::SendMessageW(Item(IDC_MAILBOX_LIST), LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring RowText(int row) const {
        wchar_t text[512] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 512;
        ::SendMessageW(Item(IDC_MAILBOX_LIST), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
        return text;
    }
    void Tick(int row, bool ticked = true) { ListView_SetCheckState(Item(IDC_MAILBOX_LIST), row, ticked); }
    int TickedRows() const {
        int ticked = 0;
        for (int row = 0; row < Rows(); ++row) ticked += ListView_GetCheckState(Item(IDC_MAILBOX_LIST), row) ? 1 : 0;
        return ticked;
    }
    bool Grayed(UINT command) const {
        return ::GetMenuState(::GetMenu(page.m_hWnd), command, MF_BYCOMMAND) & MF_GRAYED;
    }
    std::string Log() const { return ReadWholeFile(ProgramLog()); }
    std::vector<std::wstring> Names(std::initializer_list<int> rows) const {
        std::vector<std::wstring> picked;
        for (int row : rows) picked.push_back(names[static_cast<size_t>(row)]);
        return picked;
    }

    TempFolder sourceFolder;
    std::wstring source;
    sample::Expectation expected;
    std::vector<std::wstring> names;
    CMailbox page;
};

TEST_F(MailboxPageTest, ScanListsTheMailboxesInOrderThenReadiesThePage) {
    g_sourceFilePath = source.c_str();
    ASSERT_TRUE(page.Create());
    // Until the worker's end reaches the page, nothing that could use the list is enabled.
    for (int id : {IDC_MAILBOX_CONVERT, IDCANCEL, IDC_MAILBOX_SELECT_ALL, IDC_MAILBOX_SKIP_ANALYSIS})
        EXPECT_FALSE(::IsWindowEnabled(Item(id))) << id;
    for (UINT command : {32771u, 32776u, 32775u, 32790u, 32794u, 32789u}) EXPECT_TRUE(Grayed(command)) << command;
    ::DestroyWindow(page.m_hWnd);

    Open(source);
    ASSERT_EQ(Rows(), static_cast<int>(names.size()));
    for (int row = 0; row < Rows(); ++row) EXPECT_EQ(RowText(row), names[static_cast<size_t>(row)]);
    EXPECT_EQ(WindowText(page.m_hWnd), L" Korvane for EDB to PST");
    EXPECT_EQ(WindowText(Item(IDC_MAILBOX_SOURCE_PATH)), source);
    EXPECT_EQ(g_sourceFileLength, expected.size);
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_MAILBOX_SCAN_PROGRESS)));
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_MAILBOX_ENUMERATING)));
    EXPECT_EQ(::SendMessageW(Item(IDC_MAILBOX_SCAN_PROGRESS), PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(ListView_GetExtendedListViewStyle(Item(IDC_MAILBOX_LIST)),
              static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
    EXPECT_EQ(ListView_GetColumnWidth(Item(IDC_MAILBOX_LIST), 0), 670);
    for (int id : {IDC_MAILBOX_CONVERT, IDCANCEL, IDC_MAILBOX_SELECT_ALL, IDC_MAILBOX_SKIP_ANALYSIS})
        EXPECT_TRUE(::IsWindowEnabled(Item(id))) << id;
    EXPECT_FALSE(Grayed(32790));
    EXPECT_FALSE(Grayed(32789));
    EXPECT_TRUE(Grayed(32771));
    EXPECT_NE(Log().find("\r\n\r\n************************* Step 2 :- User Mailbox Selction "
                         "***********************\r\n\r\n"),
              std::string::npos);
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(MailboxPageTest, ConvertHandsTheTickedMailboxesToThePreview) {
    struct Case {
        std::vector<int> ticked;
    };
    for (const Case& c : {Case{{}}, Case{{1}}, Case{{0, 2, 4}}}) {
        SCOPED_TRACE(c.ticked.size());
        Open(source);
        std::vector<std::wstring> want;
        for (int row : c.ticked) {
            Tick(row);
            want.push_back(names[static_cast<size_t>(row)]);
        }
        Command(IDC_MAILBOX_CONVERT);
        std::string count = std::to_string(c.ticked.size());
        EXPECT_NE(Log().find("\r\nNo. of User Mailbox Selected:" + count + "\r\n\r\n"), std::string::npos);
        if (c.ticked.empty()) {
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_EQ(seams.boxes[0].text, L"Please Select Any Mailbox");
            EXPECT_EQ(seams.boxes[0].owner, page.m_hWnd);
            EXPECT_EQ(seams.boxes[0].flags, kWarning);
            EXPECT_TRUE(g_previewVisits.empty());
            EXPECT_EQ(g_currentMailboxName, L"");
        } else {
            ASSERT_EQ(g_previewVisits.size(), 1u);
            EXPECT_FALSE(g_previewVisits[0].ownerVisible);
            EXPECT_EQ(g_previewVisits[0].selected, want);
            EXPECT_EQ(g_previewVisits[0].current, want[0]);
            EXPECT_EQ(g_previewVisits[0].countText, Widen(count));
            EXPECT_TRUE(::IsWindowVisible(page.m_hWnd));
            EXPECT_NE(Log().find("\r\n Total User Mailbox found:" + std::to_string(names.size()) + "\r\n\r\n"),
                      std::string::npos);
        }
        ::DestroyWindow(page.m_hWnd);
        seams.boxes.clear();
        g_previewVisits.clear();
        g_currentMailboxName.Empty();
    }
}

TEST_F(MailboxPageTest, SelectAllTicksEveryRowAndItsMenuAlternates) {
    Open(source);
    ::SendMessageW(page.m_hWnd, WM_COMMAND, ID_SELECT_ALL, 0);
    EXPECT_EQ(::SendMessageW(Item(IDC_MAILBOX_SELECT_ALL), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TickedRows(), Rows());
    EXPECT_EQ(g_selectAll, 1);
    EXPECT_EQ(g_selectedMailboxes.Count(), Rows());

    // While Select All is in effect, Convert takes the list it built, unticked rows or not.
    Tick(0, false);
    Command(IDC_MAILBOX_CONVERT);
    ASSERT_EQ(g_previewVisits.size(), 1u);
    EXPECT_EQ(g_previewVisits[0].selected, names);

    ::SendMessageW(page.m_hWnd, WM_COMMAND, ID_SELECT_ALL, 0);
    EXPECT_EQ(::SendMessageW(Item(IDC_MAILBOX_SELECT_ALL), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(TickedRows(), 0);
    EXPECT_EQ(g_selectAll, 0);
    EXPECT_TRUE(g_selectedMailboxes.IsEmpty());
    SetBox(IDC_MAILBOX_SELECT_ALL, false);  // a second free
    EXPECT_TRUE(g_selectedMailboxes.IsEmpty());
}

// Each build starts from an empty list: a ticked box followed by the menu's
// Select All, or a Select All kept over a return from the preview, once
// listed every mailbox twice.
TEST_F(MailboxPageTest, NoBuildListsAMailboxTwice) {
    Open(source);
    Tick(2);
    ::SendMessageW(page.m_hWnd, WM_COMMAND, ID_CONVERT, 0);
    ::SendMessageW(page.m_hWnd, WM_COMMAND, ID_SELECT_ALL, 0);
    EXPECT_EQ(g_selectedMailboxes.Count(), Rows());

    g_previewReturnsAsPreview = true;
    Command(IDC_MAILBOX_CONVERT);
    Command(IDC_MAILBOX_CONVERT);
    ASSERT_EQ(g_previewVisits.size(), 3u);
    EXPECT_EQ(g_previewVisits[1].selected, names);
    EXPECT_EQ(g_previewVisits[2].selected, names);
    EXPECT_EQ(g_previewVisits[2].countText, Widen(std::to_string(names.size())));
}

TEST_F(MailboxPageTest, SelectAllOnAnEmptyListChangesNothing) {
    std::wstring empty = sourceFolder.file(L"EMPTY.EDB");
    WriteWholeFile(empty, std::string(10000, '\0'));
    Open(empty);
    EXPECT_EQ(Rows(), 0);
    SetBox(IDC_MAILBOX_SELECT_ALL, true);
    EXPECT_EQ(::SendMessageW(Item(IDC_MAILBOX_SELECT_ALL), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(g_selectAll, 0);
    Command(IDC_MAILBOX_CONVERT);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Please Select Any Mailbox");
}

TEST_F(MailboxPageTest, SkipAnalysisFollowsItsBoxAndConvertPassesItOn) {
    Open(source);
    SetBox(IDC_MAILBOX_SKIP_ANALYSIS, true);
    EXPECT_EQ(g_skipAnalysis, 1);
    EXPECT_EQ(g_skipNoticePending, 1);
    EXPECT_NE(Log().find("\r\nSkiped Preview by user\r\n\r\n"), std::string::npos);
    SetBox(IDC_MAILBOX_SKIP_ANALYSIS, false);
    EXPECT_EQ(g_skipAnalysis, 0);

    ::SendMessageW(Item(IDC_MAILBOX_SKIP_ANALYSIS), BM_SETCHECK, BST_CHECKED, 0);
    g_skipNoticePending = 0;
    Tick(0);
    Command(IDC_MAILBOX_CONVERT);
    ASSERT_EQ(g_previewVisits.size(), 1u);
    EXPECT_EQ(g_previewVisits[0].skipAnalysis, 1);
    EXPECT_EQ(g_previewVisits[0].skipNotice, 1);
}

TEST_F(MailboxPageTest, BackAsksThenResetsWhatItsOpenerGave) {
    struct Case {
        int fromSearch;
        int answer;
    };
    for (const Case& c : {Case{0, IDNO}, Case{0, IDYES}, Case{1, IDYES}}) {
        SCOPED_TRACE(c.fromSearch * 10 + c.answer);
        g_searchPageVisited = g_sourceFromSearch = c.fromSearch;
        g_selectedEdbFile = source.c_str();
        Open(source);
        SetBox(IDC_MAILBOX_SELECT_ALL, true);
        SetBox(IDC_MAILBOX_SKIP_ANALYSIS, true);
        seams.boxAnswers = {c.answer};
        Command(IDCANCEL);
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text, L"Do you want to go back ?");
        EXPECT_EQ(seams.boxes[0].owner, nullptr);
        EXPECT_EQ(seams.boxes[0].flags, kSystemModalQuestion);
        EXPECT_FALSE(seams.boxes[0].nextEnabledWhenShown);  // Back is disabled while asking
        if (c.answer == IDNO) {
            EXPECT_FALSE(page.IsModalLoopEnded());
            EXPECT_TRUE(::IsWindowEnabled(Item(IDCANCEL)));
            EXPECT_EQ(g_selectedMailboxes.Count(), Rows());
        } else {
            EXPECT_TRUE(page.IsModalLoopEnded());
            EXPECT_EQ(page.GetEndResult(), IDCANCEL);
            EXPECT_TRUE(g_selectedMailboxes.IsEmpty());
            EXPECT_EQ(g_sourceFilePath + g_selectedEdbFile, L"");
            EXPECT_EQ(g_skipAnalysis + g_sourceFromSearch, 0);
            EXPECT_EQ(g_skipNoticePending, c.fromSearch);
            EXPECT_EQ(g_selectAll, c.fromSearch);  // the search page's Back leaves it, as before
        }
        ::DestroyWindow(page.m_hWnd);
        seams.boxes.clear();
    }
    // The next visit starts from nothing chosen: Convert with no row ticked must
    // not take the freed choice of the last one.
    Open(source);
    EXPECT_EQ(g_selectAll, 0);
    Command(IDC_MAILBOX_CONVERT);
    EXPECT_TRUE(g_previewVisits.empty());
    EXPECT_EQ(seams.boxes.at(0).text, L"Please Select Any Mailbox");
}

TEST_F(MailboxPageTest, ExitQuestionsAndKeysThatNeverClose) {
    Open(source);
    struct Case {
        UINT message;
        WPARAM wParam;
        const wchar_t* question;
        bool ends;
    };
    for (const Case& c : {Case{WM_COMMAND, ID_EXIT, L"    Do you want to exit ?", false},
                          Case{WM_SYSCOMMAND, SC_CLOSE, L"  Do you want to exit ?", true},
                          Case{WM_COMMAND, IDC_MAILBOX_HIDDEN_BACK, L"  Do you want to go back ?", true}}) {
        seams.boxAnswers = {IDNO, IDYES};
        seams.boxes.clear();
        seams.terminations.clear();
        ::SendMessageW(page.m_hWnd, c.message, c.wParam, 0);
        EXPECT_TRUE(seams.terminations.empty());
        ::SendMessageW(page.m_hWnd, c.message, c.wParam, 0);
        ASSERT_EQ(seams.boxes.size(), 2u);
        EXPECT_EQ(seams.boxes[1].text, c.question);
        EXPECT_EQ(seams.boxes[1].owner, nullptr);
        bool terminates = c.wParam != IDC_MAILBOX_HIDDEN_BACK;
        EXPECT_EQ(seams.terminations, terminates ? std::vector<UINT>{0} : std::vector<UINT>{});
        EXPECT_EQ(page.IsModalLoopEnded(), c.ends);
    }
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        MSG message = {Item(IDC_MAILBOX_LIST), WM_KEYDOWN, key, 0, 0, {0, 0}};
        EXPECT_TRUE(page.PreTranslateMessage(&message));
    }
    EXPECT_EQ(seams.boxes.size(), 2u);
}

// A source that cannot be opened ends the scan at once: the page names the
// file and the reason, the log keeps it, and the page is ready (with no rows).
TEST_F(MailboxPageTest, UnreadableSourceIsReportedAndThePageStaysUsable) {
    std::wstring missing = sourceFolder.file(L"GONE.EDB");
    Open(missing);
    EXPECT_EQ(Rows(), 0);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_NE(seams.boxes[0].text.find(missing), std::wstring::npos) << seams.boxes[0].text;
    EXPECT_EQ(seams.boxes[0].flags, kWarning);
    EXPECT_NE(Log().find("cannot open \"" + Narrow(missing) + "\""), std::string::npos);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDCANCEL)));
}

}  // namespace
