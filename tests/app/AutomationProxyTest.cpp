// The automation object in process: what it answers, and when letting go of
// it closes the main page.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/AutomationIds.h"
#include "app/MorvathDlg.h"
#include "app/MorvathDlgAutoProxy.h"
#include "app/MorvathDlgRes.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"
#include "framework/Handles.h"
#include "tests/support/PageTestSupport.h"

namespace {

IDispatch* g_heldProxy = nullptr;

void ReleaseTheProxy(CWnd*) {
    if (g_heldProxy) std::exchange(g_heldProxy, nullptr)->Release();
}

bool PumpUntilIdle() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    return true;
}

class AutomationProxyTest : public ::testing::Test {
public:
    void SetUp() override {
        settings.Set(L"FilePath", programFolder.path());
        g_programFolder = programFolder.path().c_str();
        application.m_pMainWnd = &page;
        OpenPageHeldByAClient();
    }
    void TearDown() override { ReleaseTheProxy(nullptr); }

    void OpenPageHeldByAClient() {
        ASSERT_TRUE(page.Create());
        ShowAndPaint(page.m_hWnd);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(CMorvathClassFactory::NewInstance(IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&g_heldProxy)), S_OK);
        ASSERT_NE(page.m_pAutoProxy, nullptr);
    }

    SeamRecorder seams;
    TestSettings settings;
    TempFolder programFolder;
    CWinApp application;
    CMorvathDlg page;
};

TEST_F(AutomationProxyTest, AnswersItsOwnDispatchInterfaceAndRefusesAggregation) {
    struct Case {
        const IID* iid;
        HRESULT expected;
    } cases[] = {
        {&IID_IUnknown, S_OK},
        {&IID_IDispatch, S_OK},
        {&kMorvathDispatchId, S_OK},
        {&IID_IClassFactory, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        IUnknown* found = nullptr;
        EXPECT_EQ(g_heldProxy->QueryInterface(*c.iid, reinterpret_cast<void**>(&found)), c.expected);
        if (found) found->Release();
    }
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CMorvathClassFactory::NewInstance(IID_IClassFactory, factory.PutVoid()), S_OK);
    void* inner = nullptr;
    EXPECT_EQ(factory->CreateInstance(g_heldProxy, IID_IUnknown, &inner), CLASS_E_NOAGGREGATION);
}

// Regression: the page was closed whenever the last client let go while it was
// hidden, and it is also hidden while the mailbox or search page runs.
TEST_F(AutomationProxyTest, LastReleaseClosesThePageOnlyAfterTheUsersClose) {
    struct Case {
        const char* what;
        void (*act)(AutomationProxyTest& test);
        bool pageEnds;
    } cases[] = {
        {"released while the search page runs",
         [](AutomationProxyTest& t) {
             pageflow::RunSearchPage = ReleaseTheProxy;
             ::SendMessageW(t.page.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SEARCH, BN_CLICKED), 0);
         },
         false},
        {"released while the page is shown", [](AutomationProxyTest&) { ReleaseTheProxy(nullptr); }, false},
        {"released after the user closed the page",
         [](AutomationProxyTest& t) {
             ::SendMessageW(t.page.m_hWnd, WM_CLOSE, 0, 0);
             EXPECT_FALSE(::IsWindowVisible(t.page.m_hWnd));
             EXPECT_FALSE(t.page.IsModalLoopEnded());
             ReleaseTheProxy(nullptr);
         },
         true},
    };
    for (const Case& c : cases) {
        if (!g_heldProxy) OpenPageHeldByAClient();
        c.act(*this);
        PumpUntilIdle();
        EXPECT_EQ(page.IsModalLoopEnded(), c.pageEnds) << c.what;
        if (c.pageEnds) {
            EXPECT_EQ(page.GetEndResult(), IDCANCEL) << c.what;
        }
        EXPECT_EQ(AfxOleGetLockCount(), 0) << c.what;
        ::DestroyWindow(page.m_hWnd);
        page.m_hiddenByClose = false;
        pageflow::RestoreAll();
    }
}

}  // namespace
