// The search page, created from its real template and driven with messages
// over a folder tree the test makes: the rows, the counter, Stop, and the ways
// out through Next, Back and Exit.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "search/Search.h"
#include "search/SearchRes.h"
#include "tests/common/SearchTree.h"
#include "tests/support/PageTestSupport.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"

namespace {

struct MailboxVisit {
    bool ownerVisible;
    int sourceFromSearch;
    std::wstring selected;
};
std::vector<MailboxVisit> g_mailboxVisits;

// Stands in for the mailbox page, whose Back forgets the chosen file.
void RecordMailboxPage(CWnd* owner) {
    g_mailboxVisits.push_back({owner->IsWindowVisible(), g_sourceFromSearch, g_selectedEdbFile.str()});
    g_selectedEdbFile.Empty();
    g_sourceFromSearch = 0;
}

// Clicks "Stop" (by a posted click, as the user would) once the list holds this many rows.
int g_stopAtRows = -1;
HWND g_stoppedPage = nullptr;
WNDPROC g_listProc = nullptr;
LRESULT CALLBACK StoppingListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = ::CallWindowProcW(g_listProc, list, message, wParam, lParam);
    if (message == LVM_INSERTITEMW && ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == g_stopAtRows)
        ::PostMessageW(g_stoppedPage, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_FIND_NOW, BN_CLICKED), 0);
    return result;
}

class SearchPageTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        g_mailboxVisits.clear();
        pageflow::RunMailboxPage = RecordMailboxPage;
        // plain.edb without the archive bit, the folder y.edb with it
        search_tree::Make(tree.path());
        ::SetFileAttributesW(tree.file(L"plain.edb").c_str(), FILE_ATTRIBUTE_NORMAL);
        ::SetFileAttributesW(tree.file(L"y.edb").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
        ASSERT_TRUE(page.Create());
        ShowAndPaint(page.m_hWnd);
    }

    HWND Item(int id) const { return ::GetDlgItem(page.m_hWnd, id); }
    void Command(int id) { ::SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    void Browse(const std::wstring& folder) {
        seams.foldersToPick.push_back(folder);
        Command(IDC_SEARCH_BROWSE);
    }
    void Search(const std::wstring& folder, bool subdirectories = true) {
        Browse(folder);
        ::SendMessageW(Item(IDC_SEARCH_SUBDIRECTORIES), BM_SETCHECK, subdirectories ? BST_CHECKED : BST_UNCHECKED, 0);
        Command(IDC_SEARCH_FIND_NOW);
    }
    int Rows() const { return static_cast<int>(::SendMessageW(Item(IDC_SEARCH_RESULTS), LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Cell(int row, int column) const {
        wchar_t text[MAX_PATH] = {};
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        ::SendMessageW(Item(IDC_SEARCH_RESULTS), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The rows' paths relative to the tree.
    std::vector<std::wstring> Found() const {
        std::vector<std::wstring> found;
        for (int row = 0; row < Rows(); ++row) found.push_back(Cell(row, 1).substr(tree.path().size() + 1));
        return found;
    }
    void SelectRow(int row) {
        ListView_SetItemState(Item(IDC_SEARCH_RESULTS), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    std::string Log() const { return ReadWholeFile(ProgramLog()); }

    TempFolder tree;
    CSearch page;
};

size_t Position(const std::vector<std::wstring>& found, const wchar_t* path) {
    return static_cast<size_t>(std::find(found.begin(), found.end(), path) - found.begin());
}

TEST_F(SearchPageTest, FindNowListsEveryArchivedNameHoldingDotEdbSubfoldersFirst) {
    // Only entries with the archive bit are listed. Wine gives it to every file
    // and to no folder, whatever is set, so the rows expected ask the file system.
    auto archived = [&](const std::set<std::wstring>& paths) {
        std::set<std::wstring> kept;
        for (const std::wstring& path : paths)
            if (::GetFileAttributesW(tree.file(path.c_str()).c_str()) & FILE_ATTRIBUTE_ARCHIVE) kept.insert(path);
        return kept;
    };
    TempFolder empty;
    struct {
        const char* what;
        const std::wstring folder;
        bool subdirectories;
        std::set<std::wstring> rows;
    } cases[] = {
        {"the whole tree", tree.path(), true, archived(search_tree::kFoundBelow)},
        {"the chosen folder only", tree.path(), false, archived(search_tree::kFoundAtTop)},
        {"no match", empty.path(), true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Search(c.folder, c.subdirectories);
        std::vector<std::wstring> found = Found();
        EXPECT_EQ(std::set<std::wstring>(found.begin(), found.end()), c.rows);
        CString counter;
        counter.Format(L"%d items found", static_cast<int>(c.rows.size()));
        EXPECT_EQ(WindowText(Item(IDC_SEARCH_COUNTER)), counter.str());
        EXPECT_EQ(Enabled(IDC_SEARCH_NEXT), !c.rows.empty());
        EXPECT_EQ(WindowText(Item(IDC_SEARCH_FIND_NOW)), L"Find Now");
        EXPECT_NE(Log().find("Total EDB File Found:    " + std::to_string(c.rows.size())), std::string::npos);
    }

    Search(tree.path());
    std::vector<std::wstring> found = Found();
    // Every folder's subtree comes before its own entries.
    EXPECT_LT(Position(found, L"sub\\deep\\c.EDB"), Position(found, L"sub\\x.edbak"));
    for (const wchar_t* own : {L"a.edb", L"priv1.edb.old", L"y.edb\\"})
        EXPECT_LT(Position(found, L"sub\\x.edbak"), Position(found, own)) << own;
    struct {
        const wchar_t* path;
        const wchar_t *name, *size;
    } columns[] = {
        {L"a.edb", L"a.edb", L"10239 B"}, {L"priv1.edb.old", L"priv1.edb.old", L"10 KB"}, {L"y.edb\\", L"", L"0 B"}};
    for (const auto& c : columns) {
        int row = static_cast<int>(Position(found, c.path));
        if (row == static_cast<int>(found.size())) continue;  // a folder the file system gave no archive bit
        EXPECT_EQ(Cell(row, 0), c.name) << c.path;
        EXPECT_EQ(Cell(row, 2), c.size) << c.path;
    }
    EXPECT_EQ(Cell(static_cast<int>(Position(found, L"a.edb")), 3).size(), 19u);  // dd-mm-yyyy hh:mm AM
}

TEST_F(SearchPageTest, StopEndsTheSearchWhereItIsAndKeepsTheRowsFound) {
    std::wstring drive = tree.path().substr(0, 3);
    struct {
        const char* what;
        std::wstring folder;
        int stopAtRows;  // 0: the stop click waits in the queue before the search starts
    } cases[] = {{"after the first row", tree.path(), 1}, {"a whole drive", drive, 0}};
    g_stoppedPage = page.m_hWnd;
    g_listProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(Item(IDC_SEARCH_RESULTS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StoppingListProc)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_stopAtRows = c.stopAtRows;
        Browse(c.folder);
        if (c.stopAtRows == 0) ::PostMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_FIND_NOW, BN_CLICKED), 0);
        Command(IDC_SEARCH_FIND_NOW);
        EXPECT_EQ(Rows(), c.stopAtRows);
        EXPECT_EQ(WindowText(Item(IDC_SEARCH_COUNTER)), std::to_wstring(c.stopAtRows) + L" items found");
        EXPECT_EQ(Enabled(IDC_SEARCH_NEXT), c.stopAtRows != 0);
        EXPECT_EQ(WindowText(Item(IDC_SEARCH_FIND_NOW)), L"Find Now");
        for (int id : {IDC_SEARCH_BACK, IDC_SEARCH_BROWSE, IDC_SEARCH_SUBDIRECTORIES}) EXPECT_TRUE(Enabled(id)) << id;
        EXPECT_FALSE(::GetMenuState(::GetMenu(page.m_hWnd), ID_SELECT_DIRECTORY, MF_BYCOMMAND) & MF_GRAYED);
    }
    ::SetWindowLongPtrW(Item(IDC_SEARCH_RESULTS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
}

TEST_F(SearchPageTest, NextTakesTheSelectedRowOnlyAndBackAndExitAsk) {
    Command(IDC_SEARCH_FIND_NOW);  // no directory yet
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Select Search Directory?");
    EXPECT_EQ(seams.boxes[0].caption, L" Korvane for EDB to PST");

    Search(tree.path());
    Command(IDC_SEARCH_NEXT);  // no row chosen: refused, and the search is not yet the source
    EXPECT_EQ(seams.boxes.back().text, L"Select the File");
    EXPECT_EQ(g_sourceFromSearch, 0);
    EXPECT_TRUE(g_mailboxVisits.empty());

    // The choice follows the selection, by the keyboard too.
    SelectRow(0);
    ::SetFocus(Item(IDC_SEARCH_RESULTS));
    ::SendMessageW(Item(IDC_SEARCH_RESULTS), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(g_selectedEdbFile.str(), Cell(1, 1));
    Command(IDC_SEARCH_NEXT);
    ASSERT_EQ(g_mailboxVisits.size(), 1u);
    EXPECT_FALSE(g_mailboxVisits[0].ownerVisible);
    EXPECT_EQ(g_mailboxVisits[0].sourceFromSearch, 1);
    EXPECT_EQ(g_mailboxVisits[0].selected, Cell(1, 1));
    EXPECT_TRUE(::IsWindowVisible(page.m_hWnd));
    EXPECT_EQ(ListView_GetSelectedCount(Item(IDC_SEARCH_RESULTS)), 0u);  // the mailbox page's Back forgot it

    SelectRow(0);
    Command(IDC_SEARCH_FIND_NOW);  // a new search: its list starts with nothing chosen
    EXPECT_TRUE(g_selectedEdbFile.IsEmpty());

    size_t boxesBefore = seams.boxes.size();
    seams.boxAnswers = {IDNO, IDNO, IDYES, IDYES};
    Command(IDC_SEARCH_BACK);
    EXPECT_TRUE(Enabled(IDC_SEARCH_BACK) && Enabled(IDC_SEARCH_NEXT));
    ::SendMessageW(page.m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(seams.terminations.empty());
    ::SendMessageW(page.m_hWnd, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(seams.terminations, std::vector<UINT>{0});
    EXPECT_FALSE(page.IsModalLoopEnded());
    Command(IDC_SEARCH_BACK);
    EXPECT_TRUE(page.IsModalLoopEnded());
    EXPECT_EQ(page.GetEndResult(), IDCANCEL);
    std::vector<std::wstring> questions;
    for (size_t i = boxesBefore; i < seams.boxes.size(); ++i) {
        questions.push_back(seams.boxes[i].text);
        EXPECT_EQ(seams.boxes[i].flags, kSystemModalQuestion);
    }
    EXPECT_EQ(questions, (std::vector<std::wstring>{L"Do you want to go back ?", L"  Do you want to exit ?",
                                                    L"Do you want to exit ?", L"Do you want to go back ?"}));
}

TEST_F(SearchPageTest, NoGdiObjectLeaksPerOpening) {
    WriteBitmapFile(programFolder.file(L"Korvane-Exchange.bmp"), 727, 478, RGB(30, 60, 90));
    auto openOnce = [&] {
        CSearch opened;
        ASSERT_TRUE(opened.Create());
        ShowAndPaint(opened.m_hWnd);
        seams.foldersToPick.push_back(tree.path());
        ::SendMessageW(opened.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_BROWSE, BN_CLICKED), 0);
        ::SendMessageW(opened.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_FIND_NOW, BN_CLICKED), 0);
        ::UpdateWindow(opened.m_hWnd);
    };
    ExpectNoGdiLeakPerOpening(openOnce);
}

}  // namespace
