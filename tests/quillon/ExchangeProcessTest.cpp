// The system's exchanges with quillon.Class1 across processes, and the repair
// of a missing registration. The files the client processes leave are read by
// the Debian readers afterwards, natively (ExchangeOutputCheck.cpp).
#include <windows.h>

#include "PageTestSupport.h"
#include "QuillonTestSupport.h"
#include "comclients/ComMailParser.h"
#include "framework/ComInit.h"
#include "framework/Handles.h"
#include "framework/Seams.h"
#include "pst/Store.h"
#include "text/Utf8.h"

using quillon_test::CallRegistration;
using quillon_test::QuillonDll;
using quillon_test::RunProcess;

namespace {

class QuillonExchange : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, CallRegistration(QuillonDll(), true)); }
    void TearDown() override { CallRegistration(QuillonDll(), true); }

    static bool Creatable() {
        ComPtr<IDispatch> instance;
        return SUCCEEDED(seam::CreateComObject(L"quillon.Class1", IID_IDispatch, instance.PutVoid()));
    }

    ComInitScope com;
    SeamRecorder seams;
};

DWORD RunClient(const std::wstring& arguments, DWORD killAfterMs = INFINITE) {
    return RunProcess(L"\"" + quillon_test::BuildPath(KORVANE_CLIENT_EXE) + L"\" " + arguments, killAfterMs);
}

}  // namespace

TEST_F(QuillonExchange, ProcessesLeaveStoresOfBothShapesAndSurviveAKill) {
    const std::wstring out = quillon_test::BuildPath(KORVANE_QUILLON_OUTPUT_DIR);
    std::wstring removal = L"cmd /c rmdir /s /q \"" + out + L"\"";
    RunProcess(removal);
    // Save All: the store's folder does not exist yet; a second process adds to the file.
    const std::wstring saveAll = L"\"" + out + L"\\Korvane-EDB-PST6-12-2026 9-5\\Korvane-EDB-PST-alice.pst\"";
    EXPECT_EQ(0u, RunClient(L"save-all " + saveAll + L" Korvane-EDB-PST-alice 1 60"));
    EXPECT_EQ(0u, RunClient(L"save-all " + saveAll + L" Korvane-EDB-PST-alice 61 20"));
    // Save Current: the file name follows a doubled backslash; a folder name
    // beyond ASCII must reach the file system as it was passed.
    EXPECT_EQ(0u, RunClient(L"save-current \"" + out +
                            L"\\current-\u00e9\\\\Korvane-EDB-PST-bob.pst\" Korvane-EDB-PST-bob 1 5"));
    // Killed while importing far more than it can in the time it gets.
    const std::wstring killed = out + L"\\killed\\Korvane-EDB-PST-carol.pst";
    EXPECT_EQ(9u, RunClient(L"save-all \"" + killed + L"\" Korvane-EDB-PST-carol 1 100000", 1500));

    auto store = pst::Store::Open(mailbox::ToUtf8(killed));
    ASSERT_TRUE(store.IsOk()) << store.Message();
}

TEST_F(QuillonExchange, AMissingRegistrationIsRepairedFromTheProgramFolder) {
    ASSERT_EQ(S_OK, CallRegistration(QuillonDll(), false));
    ASSERT_FALSE(Creatable());
    seams.runProgramsForReal = true;
    TempFolder out;
    components::CComMailParser parser(nullptr, quillon_test::ProgramFolder());
    const components::ComponentAnswer result = parser.CreateStore(out.file(L"repaired.pst"), L"Repaired");
    EXPECT_TRUE(result.ok) << result.text;
    ASSERT_EQ(1u, seams.launches.size());
    const RecordedLaunch& run = seams.launches[0];
    EXPECT_EQ(L"\\regsvr32.exe", run.file.substr(run.file.size() - 13));
    EXPECT_EQ(0u, run.parameters.find(L"/s ")) << run.parameters;
    EXPECT_EQ(std::wstring::npos, run.parameters.find(L' ', 3)) << "not the short path: " << run.parameters;
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_TRUE(seams.terminations.empty());
}

TEST_F(QuillonExchange, AnUnrepairableComponentEndsTheProcessAfterSayingSo) {
    ASSERT_EQ(S_OK, CallRegistration(QuillonDll(), false));
    TempFolder emptyProgramFolder;
    HWND owner = ::GetDesktopWindow();
    components::CComMailParser parser(owner, emptyProgramFolder.path());
    parser.CreateStore(emptyProgramFolder.file(L"never.pst"), L"Never");
    EXPECT_TRUE(seams.launches.empty()) << "regsvr32 ran without the DLL";
    ASSERT_EQ(1u, seams.boxes.size());
    EXPECT_EQ(L"Quillon.dll is not properly configured. Re-Install the software.", seams.boxes[0].text);
    EXPECT_EQ(L"Korvane For EDB To PST", seams.boxes[0].caption);
    EXPECT_EQ(owner, seams.boxes[0].owner);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), seams.boxes[0].flags & MB_ICONMASK);
    EXPECT_EQ(std::vector<UINT>{0}, seams.terminations);
    // The exchanges that do not insist do nothing.
    EXPECT_FALSE(components::CComMailParser(owner, emptyProgramFolder.path()).CreateFolder(L"\\\\Never\\Inbox").ok);
    EXPECT_EQ(1u, seams.boxes.size());
}
