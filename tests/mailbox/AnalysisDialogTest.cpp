// The analysis dialog over a source the test holds at its first read: Pause,
// Resume, Stop and Escape are answered while the worker is known to be running.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>

#include "mailbox/FolderTreeCtrl1.h"
#include "mailbox/ProgressBar.h"
#include "mailbox/ProgressBarRes.h"
#include "res/resource.h"
#include "tests/mailbox/PreviewFixture.h"
#include "tests/scan/MemorySource.h"

using previewtest::ListRows;
using previewtest::PumpFor;
using previewtest::PumpUntil;

namespace {

constexpr UINT kAnalysisQuestion = MB_YESNO | MB_ICONQUESTION;

// 80 headers, one per 4096-byte block after the first: the scan asks for
// pause and stop many times over.
std::string EightyHeaders() {
    return scantest::OneHeaderPerBlock(
        80, [](int i) { return "Content-Type: x; filename=\"m" + std::to_string(i) + ".txt\""; });
}

// Holds every read until the test opens the gate.
class GatedSource final : public mailbox::SourceFile {
public:
    GatedSource(std::string bytes, HANDLE gate) : m_inner(std::move(bytes)), m_gate(gate) {}
    uint64_t Length() const override { return m_inner.Length(); }
    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size, size_t& bytesRead, mailbox::ScanError& error) override {
        ::WaitForSingleObject(m_gate, INFINITE);
        return m_inner.ReadAt(offset, buffer, size, bytesRead, error);
    }

private:
    scantest::MemorySource m_inner;
    HANDLE m_gate;
};

class GatedAnalysis : public CProgressBar {
public:
    GatedAnalysis(const AnalysisTargets& targets, HANDLE gate) : CProgressBar(targets, nullptr), m_gate(gate) {}

protected:
    std::unique_ptr<mailbox::SourceFile> OpenSource(mailbox::ScanError&) override {
        return std::make_unique<GatedSource>(EightyHeaders(), m_gate);
    }

private:
    HANDLE m_gate;
};

class AnalysisDialogTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
        ::InitCommonControlsEx(&controls);
        page = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr,
                                 ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_WIZARD_MENU)), nullptr,
                                 nullptr);
        ::CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | TVS_CHECKBOXES, 0, 0, 100, 100, page,
                          reinterpret_cast<HMENU>(1039), nullptr, nullptr);
        list.Attach(::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 200, 100, page,
                                      reinterpret_cast<HMENU>(1000), nullptr, nullptr));
        list.InsertColumn(0, L"From", LVCFMT_LEFT, 150);
        list.InsertColumn(1, L"E-mail Subject", LVCFMT_LEFT, 335);
        saveAll = ::CreateWindowExW(0, L"BUTTON", L"Save All", WS_CHILD | WS_DISABLED, 0, 0, 10, 10, page, nullptr,
                                    nullptr, nullptr);
        tree.SubclassDlgItem(1039, page);
        gate = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_selectedCountText = L"1";
        g_currentMailboxName = L"Box";
    }
    void TearDown() override {
        ::SetEvent(gate);
        dialog.reset();
        ::CloseHandle(gate);
        ::DestroyWindow(page);
    }

    void Open() {
        dialog =
            std::make_unique<GatedAnalysis>(AnalysisTargets{&tree, &list, nullptr, saveAll, ::GetMenu(page)}, gate);
        ASSERT_TRUE(dialog->Create());
    }
    void Click(int id) { ::SendMessageW(dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    bool Finished(int ms = 10000) {
        return PumpUntil([this] { return dialog->IsModalLoopEnded(); }, ms);
    }
    std::wstring PauseCaption() { return WindowText(::GetDlgItem(dialog->m_hWnd, IDC_PAUSE_ANALYSIS)); }
    bool MenuGrayed(UINT command) { return (::GetMenuState(::GetMenu(page), command, MF_BYCOMMAND) & MF_GRAYED) != 0; }

    HWND page = nullptr;
    HWND saveAll = nullptr;
    CFolderTreeCtrl1 tree;
    CListCtrl list;
    HANDLE gate = nullptr;
    std::unique_ptr<GatedAnalysis> dialog;
};

TEST_F(AnalysisDialogTest, RunsToTheEndAndClosesByItself) {
    Open();
    EXPECT_EQ(WindowText(dialog->m_hWnd), g_productTitle.str());
    ::SetEvent(gate);
    ASSERT_TRUE(Finished());
    EXPECT_EQ(dialog->GetEndResult(), IDCANCEL);
    EXPECT_EQ(ListRows(list), 50);
    EXPECT_EQ(previewtest::ListText(list, 49, 1), L" m49.txt");
    EXPECT_EQ(g_analysisMessageCount, 80u);
    EXPECT_EQ(g_analysisMessageCountText, L"79");
    EXPECT_TRUE(::IsWindowEnabled(saveAll));
    EXPECT_EQ(tree.ItemText(tree.Root()), L"Box");
    EXPECT_EQ(g_lastAnalysedMailboxName, L"Box");
    EXPECT_TRUE(g_currentMailboxName.IsEmpty());
}

TEST_F(AnalysisDialogTest, PausedWorkerWaitsUntilResumed) {
    Open();
    Click(IDC_PAUSE_ANALYSIS);
    EXPECT_EQ(PauseCaption(), L"Resume");
    ::SetEvent(gate);
    PumpFor(200);
    ::ShowWindow(dialog->m_hWnd, SW_SHOWNOACTIVATE);
    SaveSnapshot(dialog->m_hWnd, "analysis-dialog");
    EXPECT_FALSE(Finished(100));
    Click(IDC_PAUSE_ANALYSIS);
    EXPECT_EQ(PauseCaption(), L"Pause");
    ASSERT_TRUE(Finished());
    EXPECT_EQ(ListRows(list), 50);
}

TEST_F(AnalysisDialogTest, StopAnsweredNoKeepsWhatTheUserHadChosen) {
    struct Case {
        bool pausedFirst;
        const wchar_t* selectedCount;
        const wchar_t* question;
    };
    const Case cases[] = {
        {false, L"1", L"Do you want to Abort the analysis & click on back to Continue.?"},
        {true, L"3", L"Do you want to Abort the analysis & click on Next/Previous Mailbox to Continue.?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selectedCount);
        ::ResetEvent(gate);
        g_selectedCountText = c.selectedCount;
        Open();
        if (c.pausedFirst) Click(IDC_PAUSE_ANALYSIS);
        seams.boxAnswers = {IDNO};
        seams.boxes.clear();
        Click(IDC_STOP_ANALYSIS);
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text, c.question);
        EXPECT_EQ(seams.boxes[0].flags, kAnalysisQuestion);
        EXPECT_EQ(seams.boxes[0].owner, dialog->m_hWnd);
        ::SetEvent(gate);
        // Paused before Stop: still paused after No, and the button still says so.
        EXPECT_EQ(Finished(c.pausedFirst ? 300 : 10000), !c.pausedFirst);
        if (c.pausedFirst) {
            EXPECT_EQ(PauseCaption(), L"Resume");
            Click(IDC_PAUSE_ANALYSIS);
            ASSERT_TRUE(Finished());
        }
        EXPECT_EQ(dialog->GetEndResult(), IDCANCEL);
        dialog.reset();
    }
}

TEST_F(AnalysisDialogTest, StopAnsweredYesEndsThisAnalysisOnlyAndGraysSaving) {
    Open();
    seams.boxAnswers = {IDYES};
    ::SetEvent(gate);  // a worker held in a read could not be joined
    Click(IDC_STOP_ANALYSIS);
    EXPECT_TRUE(dialog->IsModalLoopEnded());
    EXPECT_EQ(dialog->GetEndResult(), IDOK);
    EXPECT_EQ(g_analysisAborted, 1);
    EXPECT_FALSE(::IsWindowEnabled(saveAll));
    for (UINT command : {ID_SAVE_CURRENT_MAILBOX, ID_SAVE_ALL_MAILBOX, ID_SELECT_ALL, ID_CONVERT})
        EXPECT_TRUE(MenuGrayed(command)) << command;
    dialog.reset();

    // The next analysis has a stop request of its own: it runs to its end.
    list.DeleteAllItems();
    tree.DeleteAllItems();
    g_currentMailboxName = L"Second";
    Open();
    ASSERT_TRUE(Finished());
    EXPECT_EQ(dialog->GetEndResult(), IDCANCEL);
    EXPECT_EQ(ListRows(list), 50);
    EXPECT_EQ(tree.ItemText(tree.Root()), L"Second");
}

TEST_F(AnalysisDialogTest, EscapeAsksAndEndsTheProcessOnlyOnYes) {
    Open();
    MSG escape = {dialog->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    seams.boxAnswers = {IDNO, IDYES};
    EXPECT_TRUE(dialog->PreTranslateMessage(&escape));
    EXPECT_TRUE(seams.terminations.empty());
    EXPECT_FALSE(dialog->IsModalLoopEnded());
    ::SetEvent(gate);
    EXPECT_TRUE(dialog->PreTranslateMessage(&escape));
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[1].text, L"Do you want to exit ?");
    EXPECT_EQ(seams.terminations, std::vector<UINT>{0});
}

}  // namespace
