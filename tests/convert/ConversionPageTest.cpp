// The conversion page in process: its worker over the in-process component
// and a source the test writes, with every import passing a gate the test
// holds, so Pause, Stop, Escape and close are answered while the run is known
// to be under way.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "components/DirectMailParser.h"
#include "convert/ConversionViewLog.h"
#include "convert/FileSave.h"
#include "convert/FileSaveRes.h"
#include "log/ViewLogRes.h"
#include "quillon/core/StoreRegistry.h"
#include "tests/common/SourceImage.h"
#include "tests/mailbox/PreviewFixture.h"

using previewtest::PumpFor;
using previewtest::PumpUntil;

namespace {

constexpr int kHeaders = 12;
constexpr wchar_t kAbortLine18[] =
    L"****************** Step 5 Repairing aborted by User ***********************************";
constexpr wchar_t kAbortLine19[] =
    L"******************* Step 5 Repairing aborted by User ***********************************";

// One header per 4096-byte block after the first, as the scanners find them.
std::string Source(int headers) {
    return source_image::OneHeaderPerBlock(
        headers, [](int i) { return "Content-Type: text/plain\r\nSubject: m" + std::to_string(i) + "\r\n\r\nbody"; });
}

// Imports wait here. It counts passes, so a test that lets one message through
// gets exactly one, however late its own thread looks again. A shut gate holds
// an import for two seconds at most, like a slow component: Stop and exit wait
// for the message being handed over.
class Gate {
public:
    void Open() { Set(kOpen); }
    void Shut() { Set(0); }
    void LetThrough(int passes) { Set(passes); }
    void Pass() {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_changed.wait_for(lock, std::chrono::seconds(2), [this] { return m_passes != 0; }) && m_passes != kOpen)
            --m_passes;
    }

private:
    static constexpr int kOpen = -1;
    void Set(int passes) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_passes = passes;
        m_changed.notify_all();
    }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_passes = 0;
};

// The in-process component; each import passes the gate first.
class GatedParser final : public components::IMailParserComponent {
public:
    GatedParser(quillon::StoreRegistry& registry, Gate& gate, std::atomic<int>& imports)
        : m_inner(registry), m_gate(gate), m_imports(imports) {}
    components::ComponentAnswer CreateStore(const std::wstring& path, const std::wstring& name) override {
        return m_inner.CreateStore(path, name);
    }
    components::ComponentAnswer CreateFolder(const std::wstring& path) override { return m_inner.CreateFolder(path); }
    components::ComponentAnswer ImportMessage(const components::MessageImportArguments& arguments) override {
        m_gate.Pass();
        ++m_imports;
        return m_inner.ImportMessage(arguments);
    }

private:
    components::CDirectMailParser m_inner;
    Gate& m_gate;
    std::atomic<int>& m_imports;
};

class TestPage : public CFileSave {
public:
    TestPage(quillon::StoreRegistry& registry, Gate& gate) : m_registry(registry), m_gate(gate) {}
    std::vector<std::wstring> viewLogTexts;
    std::atomic<int> imports{0};

protected:
    bool CheckComponents() override { return true; }
    std::unique_ptr<components::IMailParserComponent> OpenExchange() override {
        return std::make_unique<GatedParser>(m_registry, m_gate, imports);
    }
    void RunViewLog(const CString& result) override {
        CConversionViewLog dialog(this, result);
        if (!dialog.Create(this)) return;
        viewLogTexts.push_back(WindowText(::GetDlgItem(dialog.m_hWnd, IDC_VIEW_LOG_RESULT)));
        visibleAtViewLog = ::IsWindowVisible(m_hWnd) != FALSE;
    }

public:
    bool visibleAtViewLog = true;

private:
    quillon::StoreRegistry& m_registry;
    Gate& m_gate;
};

class ConversionPageTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
        ::InitCommonControlsEx(&controls);
        // The page's real picture, as the build draws it into the program folder.
        ::CopyFileW(previewtest::Wide(std::string("Z:") + KORVANE_PROGRAM_DIR + "/Korvane-Exchange.bmp").c_str(),
                    programFolder.file(L"Korvane-Exchange.bmp").c_str(), FALSE);
        source = work.file(L"Mail Store.edb");
        WriteWholeFile(source, Source(kHeaders));
        ::CreateDirectoryW(destination().c_str(), nullptr);
        g_conversionSourcePath = source.c_str();
        g_analysisSourcePath = source.c_str();
        g_destinationFolder = (destination() + L"\\").c_str();
        SelectMailboxes({L"Alice", L"Bob", L"Carol"});
    }
    void TearDown() override {
        gate.Open();
        if (page) {
            PumpUntil([this] { return !page->IsWorking(); });
            page.reset();
        }
        registry.Shutdown();
    }

    std::wstring destination() const { return work.file(outName.c_str()); }
    void SelectMailboxes(std::initializer_list<const wchar_t*> names) {
        g_selectedMailboxes.Free();
        for (const wchar_t* name : names) g_selectedMailboxes.Append(name);
        g_selectedCountText = CString(std::to_wstring(names.size()));
    }
    // Each opening saves into a folder of its own: the registry keeps earlier stores open.
    void Open() {
        outName = L"out" + std::to_wstring(++openings);
        ::CreateDirectoryW(destination().c_str(), nullptr);
        g_destinationFolder = (destination() + L"\\").c_str();
        page = std::make_unique<TestPage>(registry, gate);
        ASSERT_TRUE(page->Create());
        ShowAndPaint(page->m_hWnd);
    }
    void Click(int id) { ::SendMessageW(page->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void PressEscape() {
        MSG message = {};
        message.hwnd = page->m_hWnd;
        message.message = WM_KEYDOWN;
        message.wParam = VK_ESCAPE;
        EXPECT_TRUE(page->PreTranslateMessage(&message));
    }
    bool ImportsReach(int count) {
        return PumpUntil([&] { return page->imports >= count; });
    }
    bool RunEnds() {
        return PumpUntil([&] { return !page->IsWorking(); }) && (PumpFor(50), true);
    }
    std::wstring Text(int id) { return WindowText(::GetDlgItem(page->m_hWnd, id)); }
    int Bar(int id) { return static_cast<int>(::SendDlgItemMessageW(page->m_hWnd, id, PBM_GETPOS, 0, 0)); }
    std::wstring Log() { return previewtest::Wide(ReadWholeFile(ProgramLog())); }
    std::vector<std::wstring> PstFiles() {
        std::vector<std::wstring> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(destination()))
            if (entry.path().extension() == L".pst") found.push_back(entry.path().filename().wstring());
        std::sort(found.begin(), found.end());
        return found;
    }
    // One imported message lets the run go just far enough to be paused for sure.
    void LetOneMessageThrough() {
        gate.LetThrough(1);
        ASSERT_TRUE(ImportsReach(1));
    }

    TempFolder work;
    std::wstring outName = L"out";
    int openings = 0;
    std::wstring source;
    Gate gate;
    quillon::StoreRegistry registry;
    std::unique_ptr<TestPage> page;
};

TEST_F(ConversionPageTest, SaveAllShowsEveryMailboxAndEndsWithTheViewLog) {
    struct Case {
        std::initializer_list<const wchar_t*> mailboxes;
        const wchar_t* lastNumber;
        int overallBar;  // while the last mailbox is saved, and after
    };
    for (const Case& c : {Case{{L"Alice"}, L"1", 0}, Case{{L"Alice", L"Bob", L"Carol"}, L"3", 66}}) {
        SCOPED_TRACE(c.lastNumber);
        SelectMailboxes(c.mailboxes);
        gate.Open();
        Open();
        EXPECT_EQ(WindowText(page->m_hWnd), g_productTitle.str());
        ASSERT_TRUE(RunEnds());
        EXPECT_EQ(page->viewLogTexts, std::vector<std::wstring>{L"Saving Completed Successfully"});
        EXPECT_EQ(Text(IDC_SAVE_MAILBOX_NUMBER), c.lastNumber);
        EXPECT_EQ(Text(IDC_SAVE_MAILBOX_COUNT), c.lastNumber);
        EXPECT_EQ(Bar(IDC_SAVE_OVERALL_BAR), c.overallBar);
        EXPECT_EQ(Bar(IDC_SAVE_CURRENT_BAR), 100);
        // The true number of headers, never the last one's 0-based number.
        EXPECT_EQ(Text(IDC_SAVE_MESSAGE_TOTAL), std::to_wstring(kHeaders));
        EXPECT_EQ(Text(IDC_SAVE_MESSAGE_NUMBER), std::to_wstring(kHeaders));
        EXPECT_EQ(page->imports, kHeaders * static_cast<int>(c.mailboxes.size()));
        EXPECT_EQ(PstFiles().size(), c.mailboxes.size());
        EXPECT_EQ(std::filesystem::path(Text(IDC_SAVE_RESULT_FOLDER)).parent_path(), destination());
        EXPECT_EQ(g_conversionSourcePath, source.c_str());
        EXPECT_NE(Log().find(L"Step 4 :- Saving File Information"), std::wstring::npos);
        if (c.mailboxes.size() == 3) SaveSnapshot(page->m_hWnd, "conversion-page-finished");
        page.reset();
    }
}

TEST_F(ConversionPageTest, SkippedAnalysisNamesTheFolderAfterTheSourceConvertedAndShowsNoTotal) {
    g_skipAnalysis = 1;
    g_sourceFileName = L"stale.edb";  // left by an earlier Browse; the source converted is another
    SelectMailboxes({L"Alice"});
    gate.Open();
    Open();
    ASSERT_TRUE(RunEnds());
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(page->m_hWnd, IDC_SAVE_PREVIEW_SKIPPED)));
    for (int id : {IDC_SAVE_MESSAGE_TOTAL, IDC_SAVE_MESSAGE_NUMBER, IDC_SAVE_MESSAGE_SLASH})
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page->m_hWnd, id))) << id;
    EXPECT_EQ(page->imports, kHeaders);
    const std::vector<std::wstring> files = PstFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(Text(IDC_SAVE_RESULT_FOLDER).find(L"\\Korvane_Converted_Mail Store.edb"), std::wstring::npos)
        << Text(IDC_SAVE_RESULT_FOLDER);
    EXPECT_EQ(page->viewLogTexts, std::vector<std::wstring>{L"Saving Completed Successfully"});
}

TEST_F(ConversionPageTest, PauseThenStopAnsweredNoStaysPausedUntilResumed) {
    Open();
    LetOneMessageThrough();
    Click(IDC_SAVE_PAUSE);
    EXPECT_EQ(Text(IDC_SAVE_PAUSE), L"Resume");
    const int atPause = page->imports;
    SaveSnapshot(page->m_hWnd, "conversion-page-paused");
    seams.boxAnswers = {IDNO};
    Click(IDC_SAVE_STOP);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Saving is in Process. Do you want to Stop & exit ?");
    EXPECT_EQ(seams.boxes[0].caption, L"Korvane For EDB To PST");
    EXPECT_EQ(seams.boxes[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL));
    EXPECT_EQ(Text(IDC_SAVE_PAUSE), L"Resume");
    gate.Open();
    PumpFor(300);
    EXPECT_LE(page->imports, atPause + 1);  // at most the message already waiting at the gate
    EXPECT_TRUE(page->IsWorking());
    Click(IDC_SAVE_PAUSE);
    EXPECT_EQ(Text(IDC_SAVE_PAUSE), L"Pause");
    ASSERT_TRUE(RunEnds());
    EXPECT_EQ(page->imports, kHeaders * 3);
}

TEST_F(ConversionPageTest, StopAnsweredYesLogsTheAbortAndShowsItInTheViewLog) {
    Open();
    LetOneMessageThrough();
    seams.boxAnswers = {IDYES};
    Click(IDC_SAVE_STOP);
    EXPECT_FALSE(page->IsWorking());
    EXPECT_EQ(page->viewLogTexts, std::vector<std::wstring>{L"Saving Aborted by User"});
    EXPECT_FALSE(page->visibleAtViewLog);
    EXPECT_TRUE(::IsWindowVisible(page->m_hWnd));
    EXPECT_EQ(g_savingAborted, 1);
    const std::wstring log = Log();
    EXPECT_NE(log.find(std::wstring(L"\r\n\r\n") + kAbortLine18), std::wstring::npos);
    EXPECT_EQ(log.find(kAbortLine19), std::wstring::npos);
    // The run's end brings no second View Log; Pause then only changes the caption.
    PumpFor(200);
    Click(IDC_SAVE_PAUSE);
    EXPECT_EQ(Text(IDC_SAVE_PAUSE), L"Resume");
    EXPECT_EQ(page->viewLogTexts.size(), 1u);
    EXPECT_TRUE(seams.terminations.empty());
    // What was stored stays a readable prefix: the stop came after a whole message.
    EXPECT_LT(page->imports, kHeaders);
}

TEST_F(ConversionPageTest, EscapeAndCloseAskThenEndTheProcess) {
    struct Case {
        bool escape;
        const wchar_t* question;
    };
    for (const Case& c : {Case{true, L"Saving is in process.Do you want to exit ?"},
                          Case{false, L"Saving is in Process. Do you want to exit ?"}}) {
        SCOPED_TRACE(c.question);
        gate.Shut();
        seams.boxes.clear();
        seams.terminations.clear();
        Open();
        LetOneMessageThrough();
        auto ask = [&] { c.escape ? PressEscape() : (void)::SendMessageW(page->m_hWnd, WM_CLOSE, 0, 0); };
        seams.boxAnswers = {IDNO};
        ask();
        EXPECT_TRUE(seams.terminations.empty());
        EXPECT_TRUE(page->IsWorking());
        seams.boxAnswers = {IDYES};
        ask();
        ASSERT_EQ(seams.boxes.size(), 2u);
        EXPECT_EQ(seams.boxes[1].text, c.question);
        EXPECT_EQ(seams.terminations, std::vector<UINT>{0});
        EXPECT_FALSE(page->IsWorking());
        EXPECT_NE(Log().find(kAbortLine19), std::wstring::npos);
        EXPECT_EQ(Log().find(std::wstring(L"\n") + kAbortLine18), std::wstring::npos);
        PumpFor(100);
        EXPECT_TRUE(page->viewLogTexts.empty());
        page.reset();
        ::DeleteFileW(ProgramLog().c_str());
    }
}

TEST_F(ConversionPageTest, SaveCurrentNamesTheStoreAfterThePreviewedMailboxAndKeepsTheSharedState) {
    SelectMailboxes({L"Alice", L"Bob"});
    g_saveCurrentPending = 1;
    g_savingCurrentMailbox = 1;
    g_runFolder = (destination() + L"\\Korvane_Converted-EDB-PST-1-1-2026 1-1\\").c_str();
    g_tickedFolders = {L"Bob\\Top of Information Store\\Inbox\\", L"Bob\\Top of Information Store\\Drafts\\"};
    gate.Open();
    page = std::make_unique<TestPage>(registry, gate);
    page->SetPreviewedNumber(2);
    ASSERT_TRUE(page->Create());
    EXPECT_EQ(Text(IDC_SAVE_MAILBOX_COUNT), L"1");
    EXPECT_EQ(Text(IDC_SAVE_MAILBOX_NUMBER), L"2");
    ASSERT_TRUE(PumpUntil([&] { return page->IsModalLoopEnded(); }));
    EXPECT_EQ(page->GetEndResult(), IDCANCEL);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, L"Current Mailbox Saving Completed Successfully");
    EXPECT_EQ(seams.boxes[0].owner, nullptr);
    EXPECT_EQ(seams.boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL));
    const std::vector<std::wstring> files = PstFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind(L"Korvane-EDB-PST-Bob", 0), 0u) << files[0];
    EXPECT_EQ(page->imports, kHeaders);
    EXPECT_EQ(Bar(IDC_SAVE_OVERALL_BAR), 100);
    // What later pages and runs read is as the preview page left it.
    EXPECT_EQ(g_selectedCountText, L"2");
    EXPECT_EQ(g_conversionSourcePath, source.c_str());
    EXPECT_EQ(g_saveCurrentPending, 0);
    EXPECT_EQ(g_savingCurrentMailbox, 0);
    EXPECT_TRUE(g_tickedFolders.empty());
}

TEST_F(ConversionPageTest, RunsThatFailSaySoWithTheCounts) {
    // Save All from a source that is gone; Save Current into a run folder
    // that cannot be made (a file holds its name).
    struct Case {
        bool saveCurrent;
        const wchar_t* expected;  // in the warning and the log
    };
    const Case cases[] = {{false, L"Alice: 0 messages found, 0 stored, 0 failed; the source"},
                          {true, L"Alice: 0 messages found, 0 stored, 0 failed; the PST file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        SelectMailboxes({L"Alice"});
        seams.boxes.clear();
        g_saveCurrentPending = g_savingCurrentMailbox = c.saveCurrent ? 1 : 0;
        g_tickedFolders = {L"Alice\\Top of Information Store\\Inbox\\"};
        if (c.saveCurrent) {
            WriteWholeFile(source, Source(kHeaders));
            WriteWholeFile(destination() + L"\\blocked", "x");
            g_runFolder = (destination() + L"\\blocked\\").c_str();
        } else {
            ::DeleteFileW(source.c_str());
        }
        gate.Open();
        Open();
        ASSERT_TRUE(RunEnds());
        ASSERT_FALSE(seams.boxes.empty());
        EXPECT_NE(seams.boxes[0].text.find(c.expected), std::wstring::npos) << seams.boxes[0].text;
        EXPECT_EQ(seams.boxes[0].flags & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_NE(Log().find(c.expected), std::wstring::npos);
        if (!c.saveCurrent) {
            EXPECT_EQ(page->viewLogTexts, std::vector<std::wstring>{L"Saving Failed"});
        }
        page.reset();
    }
}

TEST_F(ConversionPageTest, OpeningThePageAgainLeavesNoGdiObjectBehind) {
    WriteBitmapFile(programFolder.file(L"Korvane-Exchange.bmp"), 726, 478, RGB(40, 90, 160));
    g_skipAnalysis = 1;
    SelectMailboxes({});
    gate.Open();
    page = std::make_unique<TestPage>(registry, gate);  // one page object for every opening, as in the program
    auto openOnce = [&] {
        ASSERT_TRUE(page->Create());
        ShowAndPaint(page->m_hWnd);
        ASSERT_TRUE(RunEnds());
        ::DestroyWindow(page->m_hWnd);
    };
    ExpectNoGdiLeakPerOpening(openOnce, 2);
}

}  // namespace
