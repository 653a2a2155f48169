// The View Log dialog that ends a run, created from its real template.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "log/ViewLogDlg.h"
#include "log/ViewLogRes.h"
#include "tests/support/PageTestSupport.h"
#include "wizard/WizardGlobals.h"

namespace {

class ViewLogTest : public ProgramFolderTest {
protected:
    static void ClickOk(CViewLog& dialog) {
        ::SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_VIEW_LOG_OK, BN_CLICKED), 0);
    }
};

TEST_F(ViewLogTest, ResultTextFollowsHowTheRunEnded) {
    for (int aborted : {0, 1}) {
        g_savingAborted = aborted;
        CViewLog dialog;
        ASSERT_TRUE(dialog.Create());
        EXPECT_EQ(WindowText(::GetDlgItem(dialog.m_hWnd, IDC_VIEW_LOG_RESULT)),
                  aborted ? L"Saving Aborted by User" : L"Saving Completed Successfully");
        EXPECT_EQ(WindowText(dialog.m_hWnd), L" Korvane for EDB to PST");
        ShowAndPaint(dialog.m_hWnd);
        if (!aborted) SaveSnapshot(dialog.m_hWnd, "view-log");
    }
}

TEST_F(ViewLogTest, OkWritesTheEndBannerAndEndsTheProcess) {
    const std::string kEndBanner = "******************* End Log File ***********************************";

    CViewLog plain;
    ASSERT_TRUE(plain.Create());
    ClickOk(plain);
    EXPECT_EQ(ReadWholeFile(ProgramLog()), kEndBanner);
    EXPECT_EQ(seams.terminations, std::vector<UINT>{0});
    EXPECT_TRUE(seams.launches.empty());

    ::DeleteFileW(ProgramLog().c_str());
    CViewLog ticked;
    ASSERT_TRUE(ticked.Create());
    ::SendMessageW(::GetDlgItem(ticked.m_hWnd, IDC_VIEW_LOG_FILE), BM_SETCHECK, BST_CHECKED, 0);
    ClickOk(ticked);
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "\r\n\r\nView Log\r\n\r\n" + kEndBanner);
    ASSERT_EQ(seams.launches.size(), 1u);
    EXPECT_EQ(seams.launches[0].parameters, ProgramLog());
    EXPECT_EQ(seams.terminations.size(), 2u);
}

TEST_F(ViewLogTest, CloseBoxEndsAtOnceAndEscapeAsksFirst) {
    CViewLog dialog;
    ASSERT_TRUE(dialog.Create());
    seams.boxAnswers = {IDNO};
    MSG escape = {dialog.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_TRUE(dialog.PreTranslateMessage(&escape));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L" Saving Process is in running, Do you want to exit ?");
    EXPECT_EQ(seams.boxes[0].owner, dialog.m_hWnd);
    EXPECT_TRUE(seams.terminations.empty());

    ::SendMessageW(dialog.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(seams.terminations, std::vector<UINT>{0});
    EXPECT_EQ(ReadWholeFile(ProgramLog()).find("End Log File"), std::string::npos);
}

}  // namespace
