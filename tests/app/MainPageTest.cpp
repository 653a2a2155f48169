// The main page, created from its real template and driven with messages.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MorvathDlg.h"
#include "app/MorvathDlgRes.h"
#include "log/ViewLogDlg.h"
#include "res/resource.h"
#include "tests/support/PageTestSupport.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr UINT kNotice = MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL;

struct PageVisit {
    bool ownerVisible;
    int sourceFileCount;
};
std::vector<PageVisit> g_mailboxPageVisits;

void RecordMailboxPage(CWnd* owner) { g_mailboxPageVisits.push_back({owner->IsWindowVisible(), g_sourceFileCount}); }

class MainPageTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        g_mailboxPageVisits.clear();
        pageflow::RunMailboxPage = RecordMailboxPage;
        ASSERT_TRUE(page.Create());
        ShowAndPaint(page.m_hWnd);
        seams.probeWindow = ::GetDlgItem(page.m_hWnd, IDC_NEXT);
    }

    std::wstring MakeFile(const wchar_t* name) {
        std::wstring path = sourceFolder.file(name);
        WriteWholeFile(path, "not really a database");
        return path;
    }
    void Click(int id) { ::SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void Browse(const std::wstring& path) {
        seams.filesToPick.push_back(path);
        Click(IDC_BROWSE);
    }
    HWND Item(int id) const { return ::GetDlgItem(page.m_hWnd, id); }
    int ListRows() const {
        return static_cast<int>(::SendMessageW(Item(IDC_SOURCE_FILE_LIST), LVM_GETITEMCOUNT, 0, 0));
    }
    BOOL PressKey(WPARAM key) {
        MSG message = {page.m_hWnd, WM_KEYDOWN, key, 0, 0, {0, 0}};
        return page.PreTranslateMessage(&message);
    }

    TempFolder sourceFolder;
    CMorvathDlg page;
};

TEST_F(MainPageTest, OpensWithTitleLogHeaderAndGrayedMenu) {
    EXPECT_EQ(WindowText(page.m_hWnd), L" Korvane for EDB to PST");
    EXPECT_EQ(g_mainPage, &page);
    std::string log = ReadWholeFile(ProgramLog());
    EXPECT_EQ(log.find("\r\n\r\n\r\n\r\n*********************************"), 0u);
    EXPECT_NE(log.find("* Step 1 :- Source File Selection *"), std::string::npos);

    HMENU menu = ::GetMenu(page.m_hWnd);
    for (UINT grayed : {ID_SAVE_CURRENT_MAILBOX, ID_SAVE_ALL_MAILBOX, ID_SELECT_ALL, ID_CONVERT, ID_SELECT_DIRECTORY})
        EXPECT_TRUE(::GetMenuState(menu, grayed, MF_BYCOMMAND) & MF_GRAYED) << grayed;
    EXPECT_FALSE(::GetMenuState(menu, ID_VIEW_LOG, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_SOURCE_FILE_LIST)));
    EXPECT_EQ(::SendMessageW(Item(IDC_SOURCE_FILE_LIST), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x40021);
}

TEST_F(MainPageTest, BrowseShowsTheDialogAsDesignedAndTheChosenPath) {
    std::wstring chosen = MakeFile(L"Mail Store.edb");
    Browse(chosen);
    ASSERT_EQ(seams.fileDialogs.size(), 1u);
    const OPENFILENAMEW& request = seams.fileDialogs[0];
    EXPECT_EQ(request.hwndOwner, page.m_hWnd);
    EXPECT_STREQ(request.lpstrTitle, L" Open EDB file");
    // The filter is pairs of strings ending in an empty one: compare past every terminator.
    const wchar_t kFilter[] = L"Microsoft Exchange Server Database\0*.edb\0";
    EXPECT_EQ(std::wstring(request.lpstrFilter, sizeof(kFilter) / sizeof(wchar_t)),
              std::wstring(kFilter, sizeof(kFilter) / sizeof(wchar_t)));
    EXPECT_EQ(request.nMaxFile, 2562u);
    EXPECT_TRUE(request.Flags & OFN_HIDEREADONLY);
    EXPECT_TRUE(request.Flags & OFN_PATHMUSTEXIST);
    EXPECT_FALSE(request.Flags & OFN_FILEMUSTEXIST);

    CString upper(chosen.c_str());
    upper.MakeUpper();
    EXPECT_EQ(WindowText(Item(IDC_SOURCE_PATH_LABEL)), std::wstring(L"  ") + upper.str());
    EXPECT_EQ(g_sourceFilePath, upper);
    EXPECT_EQ(g_analysisSourcePath, CString(chosen.c_str()));
    EXPECT_EQ(g_sourceFileName, L"Mail Store.edb");
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(MainPageTest, BrowseRefusesAFileNotEndingInEdb) {
    Browse(MakeFile(L"notes.txt"));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Select the correct File Name");
    EXPECT_EQ(seams.boxes[0].caption, L" Korvane for EDB to PST");
    EXPECT_EQ(seams.boxes[0].flags, kNotice);
    EXPECT_EQ(seams.boxes[0].owner, page.m_hWnd);
    EXPECT_EQ(ListRows(), 0);
}

TEST_F(MainPageTest, CancelledBrowseClearsThePathAndNextRefuses) {
    Browse(MakeFile(L"priv1.edb"));
    Browse(L"");
    EXPECT_EQ(WindowText(Item(IDC_SOURCE_PATH_LABEL)), L"");
    EXPECT_EQ(g_sourceFilePath, L"");
    Click(IDC_NEXT);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Please Verify the EDB File Path");
    EXPECT_TRUE(g_mailboxPageVisits.empty());
}

TEST_F(MainPageTest, NextBeforeAnyBrowseAsksToVerifyThePath) {
    Click(IDC_NEXT);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Please Verify the EDB File Path");
    EXPECT_EQ(seams.boxes[0].caption, L"Korvane For EDB To PST");
    EXPECT_EQ(seams.boxes[0].flags, kNotice);
    EXPECT_EQ(seams.boxes[0].owner, page.m_hWnd);
    EXPECT_TRUE(g_mailboxPageVisits.empty());
    EXPECT_NE(ReadWholeFile(ProgramLog()).find("Source File Path :"), std::string::npos);
}

TEST_F(MainPageTest, EachDistinctFileAddsOneRowAndNextOpensTheMailboxPage) {
    std::wstring first = MakeFile(L"first.edb");
    std::wstring second = MakeFile(L"second.EDB");
    Browse(first);
    Browse(first);
    EXPECT_EQ(ListRows(), 1);
    Browse(second);
    EXPECT_EQ(ListRows(), 2);
    g_selectAll = g_skipAnalysis = g_returnedFromPreview = g_searchPageVisited = 1;

    Click(IDC_NEXT);
    EXPECT_TRUE(seams.boxes.empty());
    ASSERT_EQ(g_mailboxPageVisits.size(), 1u);
    EXPECT_FALSE(g_mailboxPageVisits[0].ownerVisible);  // the main page hides behind the next one
    EXPECT_EQ(g_mailboxPageVisits[0].sourceFileCount, 2);
    EXPECT_TRUE(::IsWindowVisible(page.m_hWnd));
    CString upper(second.c_str());
    upper.MakeUpper();
    EXPECT_EQ(g_conversionSourcePath, upper);
    EXPECT_EQ(g_selectAll + g_skipAnalysis + g_returnedFromPreview + g_searchPageVisited, 0);
}

TEST_F(MainPageTest, CloseBoxAnsweredNoKeepsThePageAndNextEnabled) {
    seams.boxAnswers = {IDNO};
    ::SendMessageW(page.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Do you want to exit ?");
    EXPECT_EQ(seams.boxes[0].flags, kSystemModalQuestion);
    EXPECT_EQ(seams.boxes[0].owner, page.m_hWnd);
    EXPECT_FALSE(seams.boxes[0].nextEnabledWhenShown);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_NEXT)));
    EXPECT_FALSE(page.IsModalLoopEnded());

    seams.boxAnswers = {IDYES};
    ::SendMessageW(page.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(page.IsModalLoopEnded());
    EXPECT_EQ(page.GetEndResult(), IDOK);
}

TEST_F(MainPageTest, EscapeAsksAndYesEndsTheProcessAtOnce) {
    seams.boxAnswers = {IDNO};
    EXPECT_TRUE(PressKey(VK_ESCAPE));
    EXPECT_TRUE(seams.terminations.empty());
    seams.boxAnswers = {IDYES};
    EXPECT_TRUE(PressKey(VK_ESCAPE));
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[1].owner, nullptr);
    EXPECT_EQ(seams.boxes[1].caption, L"Korvane For EDB To PST");
    ASSERT_EQ(seams.terminations.size(), 1u);
    EXPECT_EQ(seams.terminations[0], 0u);
    EXPECT_EQ(ReadWholeFile(ProgramLog()).find("End Log File"), std::string::npos);
}

TEST_F(MainPageTest, ExitMenuAnsweredYesEndsThePageWithCancel) {
    seams.boxAnswers = {IDYES};
    ::SendMessageW(page.m_hWnd, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(seams.boxes.at(0).owner, nullptr);
    EXPECT_TRUE(page.IsModalLoopEnded());
    EXPECT_EQ(page.GetEndResult(), IDCANCEL);
}

// A later page that does not handle a menu command passes it to its owner, so the
// main page's log commands serve every page.
TEST_F(MainPageTest, MenuCommandsOfAnOwnedPageReachTheMainPage) {
    CViewLog later(&page);
    ASSERT_TRUE(later.Create());
    ::SendMessageW(later.m_hWnd, WM_COMMAND, ID_VIEW_LOG, 0);
    ASSERT_EQ(seams.launches.size(), 1u);
    EXPECT_EQ(seams.launches[0].parameters, ProgramLog());

    seams.boxAnswers = {IDNO};
    ::SendMessageW(later.m_hWnd, WM_COMMAND, ID_CLEAR_LOG, 0);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Do you want to clear Log File ?");
    EXPECT_EQ(seams.boxes[0].owner, page.m_hWnd);
}

}  // namespace
