// Every way the wizard asks for help, each on the page that asks, with the
// pages owned one by another as the wizard opens them: one help window at a
// time, whichever page or command asks and in whatever order.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AboutDlg.h"
#include "app/Help.h"
#include "app/MorvathDlg.h"
#include "convert/FileSave.h"
#include "log/ViewLogDlg.h"
#include "mailbox/Mailbox.h"
#include "mailbox/MailboxRes.h"
#include "mailbox/Preview.h"
#include "mailbox/PreviewRes.h"
#include "mailbox/ProgressBar.h"
#include "res/resource.h"
#include "search/Search.h"
#include "tests/mailbox/PreviewFixture.h"

namespace {

// The conversion page without its run: help is all it is asked here.
class ConversionPageWithoutRun : public CFileSave {
public:
    using CFileSave::CFileSave;

protected:
    bool CheckComponents() override { return false; }
};

// The F1 key as the modal loop meets it: the page's own key handling first;
// a key it lets through becomes the system's help request.
void PressF1(CDialog& page) {
    MSG key = {page.m_hWnd, WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    if (page.PreTranslateMessage(&key)) return;
    HELPINFO info = {sizeof(info), HELPINFO_WINDOW, 0, page.m_hWnd, 0, {0, 0}};
    ::SendMessageW(page.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void ChooseContents(CDialog& page) { ::SendMessageW(page.m_hWnd, WM_COMMAND, ID_HELP_CONTENTS, 0); }

struct Request {
    const char* name;
    std::function<void()> ask;
    bool opensHelp;
};

class HelpRequestTest : public previewtest::PreviewFixture {
protected:
    void SetUp() override {
        PreviewFixture::SetUp();
        ASSERT_TRUE(main.Create());
        ASSERT_TRUE(search.Create());
        g_sourceFilePath = sourcePath.c_str();
        ASSERT_TRUE(mailbox.Create());
        ASSERT_TRUE(previewtest::PumpUntil(
            [this] { return ::IsWindowEnabled(::GetDlgItem(mailbox.m_hWnd, IDC_MAILBOX_CONVERT)) != FALSE; }));
        SelectMailboxes({L"Alice"});
        ASSERT_TRUE(preview.Create());
        ShowAndPaint(preview.m_hWnd);
        ASSERT_TRUE(previewtest::PumpUntil(
            [this] { return ::IsWindowEnabled(::GetDlgItem(preview.m_hWnd, IDC_PREVIEW_BACK)) != FALSE; }));
        g_currentMailboxName = L"Alice";
        ASSERT_TRUE(analysis.Create());
        ASSERT_TRUE(conversion.Create());
        ASSERT_TRUE(viewLog.Create());
        ASSERT_TRUE(about.Create());
        seams.helpViewerTitle = kMainPageHelpTitle;  // the title the compiled help carries

        requests = {
            {"main page F1", [this] { PressF1(main); }, true},
            {"main page Contents", [this] { ChooseContents(main); }, true},
            {"search page F1", [this] { PressF1(search); }, true},
            {"search page Contents", [this] { ChooseContents(search); }, true},
            {"mailbox page F1", [this] { PressF1(mailbox); }, true},
            {"mailbox page Contents", [this] { ChooseContents(mailbox); }, true},
            {"preview page F1", [this] { PressF1(preview); }, true},
            {"preview page Contents", [this] { ChooseContents(preview); }, true},
            {"analysis F1", [this] { PressF1(analysis); }, false},
            {"conversion page F1", [this] { PressF1(conversion); }, false},
            {"View Log F1", [this] { PressF1(viewLog); }, false},
            {"About F1", [this] { PressF1(about); }, false},
        };
    }
    void TearDown() override {
        for (CDialog* page :
             std::vector<CDialog*>{&about, &viewLog, &conversion, &analysis, &preview, &mailbox, &search, &main})
            if (page->m_hWnd) ::DestroyWindow(page->m_hWnd);
        PreviewFixture::TearDown();
    }
    size_t HelpWindows() const {
        size_t open = 0;
        for (const std::wstring& title : seams.openWindowTitles)
            open += title == kMainPageHelpTitle || title == kContentsHelpTitle;
        return open;
    }

    CMorvathDlg main;
    CSearch search{&main};
    CMailbox mailbox{&main};
    CPreview preview{&mailbox};
    CProgressBar analysis{AnalysisTargets{}, &preview};
    ConversionPageWithoutRun conversion{&preview};
    CViewLog viewLog{&conversion};
    CAboutDlg about{&main};
    std::vector<Request> requests;
};

TEST_F(HelpRequestTest, AnyTwoRequestsInAnyOrderLeaveOneHelpWindow) {
    for (const Request& first : requests) {
        for (const Request& second : requests) {
            SCOPED_TRACE(std::string(first.name) + ", then " + second.name);
            seams.openWindowTitles.clear();
            seams.launches.clear();
            first.ask();
            EXPECT_EQ(HelpWindows(), first.opensHelp ? 1u : 0u);
            second.ask();
            EXPECT_EQ(HelpWindows(), first.opensHelp || second.opensHelp ? 1u : 0u);
        }
    }
}

// A help window already open under the other title (a viewer that shows the
// Contents title) is found too: no request opens a second one.
TEST_F(HelpRequestTest, AWindowOfEitherTitleIsFound) {
    for (const wchar_t* open : {kContentsHelpTitle, kMainPageHelpTitle}) {
        for (const Request& request : requests) {
            SCOPED_TRACE(request.name);
            seams.openWindowTitles = {open};
            seams.launches.clear();
            request.ask();
            EXPECT_TRUE(seams.launches.empty());
        }
    }
}

}  // namespace
