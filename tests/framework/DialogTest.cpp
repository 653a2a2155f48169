// The dialog core: handler dispatch, Default under nested messages, data
// exchange across re-creation, validation, exceptions, and the modal loop's
// ways out.
#include <windows.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include "TestPage.h"
#include "TestPageRes.h"

namespace {

HWND Item(const CTestPage& page, int id) { return ::GetDlgItem(page.m_hWnd, id); }

std::wstring Text(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

struct DispatchCase {
    const char* what;
    UINT message;
    int id;
    UINT code;
    bool fromControl;     // lParam carries the control window (WM_COMMAND) or an NMHDR (WM_NOTIFY)
    const char* handler;  // nullptr: no handler of the table may run
};

TEST(DialogDispatch, EachNotificationReachesOnlyItsOwnEntry) {
    const DispatchCase cases[] = {
        {"menu command", WM_COMMAND, IDC_TEST_LIST, 0, false, "list command"},
        {"accelerator", WM_COMMAND, IDC_TEST_LIST, 1, false, "list command"},
        {"list selection change (code 1, like an accelerator)", WM_COMMAND, IDC_TEST_LIST, LBN_SELCHANGE, true,
         "list selection"},
        {"list double click", WM_COMMAND, IDC_TEST_LIST, LBN_DBLCLK, true, nullptr},
        {"button click", WM_COMMAND, IDC_TEST_BUTTON, BN_CLICKED, true, "button"},
        {"button focus", WM_COMMAND, IDC_TEST_BUTTON, BN_SETFOCUS, true, nullptr},
        {"edit change", WM_COMMAND, IDC_TEST_EDIT, EN_CHANGE, true, "edit change"},
        {"edit focus", WM_COMMAND, IDC_TEST_EDIT, EN_SETFOCUS, true, nullptr},
        {"tree selection change", WM_NOTIFY, IDC_TEST_TREE, TVN_SELCHANGEDW, true, "tree selection"},
        {"other tree notification", WM_NOTIFY, IDC_TEST_TREE, TVN_SELCHANGINGW, true, nullptr},
    };
    CTestPage page;
    ASSERT_TRUE(page.Create());
    for (const DispatchCase& c : cases) {
        page.calls.clear();
        if (c.message == WM_COMMAND) {
            LPARAM control = c.fromControl ? reinterpret_cast<LPARAM>(Item(page, c.id)) : 0;
            ::SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(c.id, c.code), control);
        } else {
            NMHDR header = {nullptr, static_cast<UINT_PTR>(c.id), c.code};
            ::SendMessageW(page.m_hWnd, WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&header));
        }
        std::vector<std::string> expected;
        if (c.handler) expected.push_back(c.handler);
        EXPECT_EQ(page.calls, expected) << c.what;
    }
    // A real control's own notification, not a synthetic one.
    page.calls.clear();
    ::SetWindowTextW(Item(page, IDC_TEST_EDIT), L"typed");
    EXPECT_EQ(page.calls, std::vector<std::string>{"edit change"});
}

// Default() asks for the system's processing of the message being handled; a
// message the handler sends to its own window meanwhile must neither cancel nor
// borrow that request.
TEST(DialogDefault, EachNestedMessageKeepsItsOwnRequest) {
    struct Case {
        const char* what;
        std::function<void(CTestPage&)> handler;
        bool textChanges;
    } cases[] = {
        {"Default, then a nested message",
         [](CTestPage& p) {
             p.CallDefault();
             p.SendMessage(kNestedPlain);
         },
         true},
        {"a nested message asking for Default", [](CTestPage& p) { p.SendMessage(kNestedDefault); }, false},
        {"no Default", [](CTestPage&) {}, false},
    };
    for (const Case& c : cases) {
        CTestPage page;
        ASSERT_TRUE(page.Create());
        page.onSetText = c.handler;
        ::SetWindowTextW(page.m_hWnd, L"changed");
        EXPECT_EQ(Text(page.m_hWnd) == L"changed", c.textChanges) << c.what;
    }
}

TEST(DialogDataExchange, ASecondWindowOfTheSamePageDrivesItsOwnControls) {
    CTestPage page;
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(page.Create());
        EXPECT_EQ(page.m_edit.m_hWnd, Item(page, IDC_TEST_EDIT)) << "run " << run;
        EXPECT_EQ(page.m_button.m_hWnd, Item(page, IDC_TEST_BUTTON)) << "run " << run;
        page.m_edit.SetWindowText(L"live");
        EXPECT_EQ(Text(Item(page, IDC_TEST_EDIT)), L"live") << "run " << run;
        ::DestroyWindow(page.m_hWnd);
        EXPECT_EQ(page.m_hWnd, nullptr);
    }
}

TEST(DialogValidation, OkStoresOnlyWhatPassedAndOtherwiseFocusesTheField) {
    CTestPage page;
    ASSERT_TRUE(page.Create());
    ::ShowWindow(page.m_hWnd, SW_SHOW);
    ::SetFocus(Item(page, IDC_TEST_BUTTON));
    page.calls.clear();

    ::SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(page.IsModalLoopEnded());
    EXPECT_EQ(::GetFocus(), Item(page, IDC_TEST_EDIT));
    EXPECT_TRUE(page.calls.empty());

    ::SetWindowTextW(Item(page, IDC_TEST_EDIT), L"Mailbox");
    page.calls.clear();
    ::SendMessageW(page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(page.calls, std::vector<std::string>{"store"});
    EXPECT_TRUE(page.IsModalLoopEnded());
    EXPECT_EQ(page.GetEndResult(), IDOK);
    EXPECT_EQ(page.name, L"Mailbox");
}

TEST(DialogExceptions, AreReportedAndAFailedInitialisationLeavesNoWindow) {
    ReportRecorder recorder;
    CTestPage page;
    ASSERT_TRUE(page.Create());
    page.act = [](CTestPage&) { throw std::runtime_error("disk gone"); };
    ::SendMessageW(page.m_hWnd, kActMessage, 0, 0);
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_TRUE(recorder.Contains(L"disk gone"));
    EXPECT_TRUE(recorder.Contains(L"dialog 200"));
    EXPECT_TRUE(::IsWindow(page.m_hWnd));

    CTestPage broken;
    HWND brokenWindow = nullptr;
    broken.onInit = [&](CTestPage& p) {
        brokenWindow = p.m_hWnd;
        throw std::runtime_error("no skin");
    };
    EXPECT_FALSE(broken.Create());
    EXPECT_EQ(broken.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindow(brokenWindow));
    EXPECT_TRUE(recorder.Contains(L"no skin"));
}

// Every way a modal page can end: the loop returns, the owner takes input again,
// and the page's window is gone. A timer ends a loop that failed to notice.
constexpr int kStuck = 99;
CTestPage* g_modalPage = nullptr;
void CALLBACK EndStuckLoop(HWND, UINT, UINT_PTR, DWORD) {
    if (g_modalPage) g_modalPage->EndDialog(kStuck);
}

TEST(DialogModal, EveryWayOutEnablesTheOwnerAndDestroysThePage) {
    struct Case {
        const char* what;
        std::function<void(CTestPage& page, HWND owner)> act;
        bool throwInPreTranslate;
        bool throwInInit;
        INT_PTR result;
        bool reported;
    } cases[] = {
        {"EndDialog", [](CTestPage& p, HWND) { p.EndDialog(7); }, false, false, 7, false},
        {"DestroyWindow", [](CTestPage& p, HWND) { ::DestroyWindow(p.m_hWnd); }, false, false, -1, false},
        {"owner destroyed", [](CTestPage&, HWND owner) { ::DestroyWindow(owner); }, false, false, -1, false},
        {"PreTranslateMessage throws", nullptr, true, false, -1, true},
        {"OnInitDialog throws", nullptr, false, true, -1, true},
    };
    for (const Case& c : cases) {
        ReportRecorder recorder;
        CTestPage owner;
        ASSERT_TRUE(owner.Create());
        HWND ownerWindow = owner.m_hWnd;
        CTestPage page(&owner);
        HWND pageWindow = nullptr;
        page.onInit = [&](CTestPage& p) {
            pageWindow = p.m_hWnd;
            if (c.throwInInit) throw std::runtime_error("init failed");
            p.PostMessage(kActMessage);
        };
        page.act = [&](CTestPage& p) { c.act(p, ownerWindow); };
        page.throwInPreTranslate = c.throwInPreTranslate;

        g_modalPage = &page;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 2000, EndStuckLoop);
        INT_PTR result = page.DoModal();
        ::KillTimer(nullptr, timer);
        g_modalPage = nullptr;

        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_FALSE(::IsWindow(pageWindow)) << c.what;
        EXPECT_EQ(page.m_hWnd, nullptr) << c.what;
        if (::IsWindow(ownerWindow)) {
            EXPECT_TRUE(::IsWindowEnabled(ownerWindow)) << c.what;
        }
        EXPECT_EQ(!recorder.reports.empty(), c.reported) << c.what;
    }
}

}  // namespace
