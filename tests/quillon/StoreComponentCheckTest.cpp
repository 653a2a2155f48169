// The check of Outlook and Redemption against stand-in servers registered in
// the test prefix; unregistering them makes the failures.
#include <windows.h>

#include "PageTestSupport.h"
#include "QuillonTestSupport.h"
#include "comclients/StoreComponentCheck.h"
#include "framework/Handles.h"
#include "framework/Seams.h"

using quillon_test::CallRegistration;
using quillon_test::FixtureFolder;

namespace {

const std::wstring kOutlook = L"\\StandInOutlook.dll";
const std::wstring kRedemption = L"\\Redemption.dll";

class StoreComponentCheck : public ProgramFolderTest {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CallRegistration(FixtureFolder() + kOutlook, true));
        ASSERT_EQ(S_OK, CallRegistration(FixtureFolder() + kRedemption, true));
    }
    void TearDown() override {
        CallRegistration(FixtureFolder() + kOutlook, false);
        CallRegistration(FixtureFolder() + kRedemption, false);
    }
    void ExpectFatal(const wchar_t* text, UINT flags) {
        ASSERT_EQ(1u, seams.boxes.size());
        EXPECT_EQ(text, seams.boxes[0].text);
        EXPECT_EQ(L"Korvane For EDB To PST", seams.boxes[0].caption);
        EXPECT_EQ(flags, seams.boxes[0].flags);
        EXPECT_EQ(std::vector<UINT>{0}, seams.terminations);
    }
};

}  // namespace

TEST_F(StoreComponentCheck, PassesWhenBothServersAreThere) {
    components::CStoreComponentCheck check(nullptr);
    EXPECT_TRUE(check.passed());
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_TRUE(seams.launches.empty());
}

TEST_F(StoreComponentCheck, WithoutOutlookEndsTheProcessAfterASystemModalError) {
    ASSERT_EQ(S_OK, CallRegistration(FixtureFolder() + kOutlook, false));
    components::CStoreComponentCheck check(nullptr);
    EXPECT_FALSE(check.passed());
    ExpectFatal(
        L"Microsoft Outlook not found installed or corrupted. Please install Microsoft Outlook & re-run "
        L"Application.",
        MB_ICONERROR | MB_SYSTEMMODAL);
}

TEST_F(StoreComponentCheck, RegistersRedemptionShippedInTheProgramFolder) {
    ASSERT_EQ(S_OK, CallRegistration(FixtureFolder() + kRedemption, false));
    ASSERT_TRUE(
        ::CopyFileW((FixtureFolder() + kRedemption).c_str(), programFolder.file(L"Redemption.dll").c_str(), FALSE));
    seams.runProgramsForReal = true;
    {
        components::CStoreComponentCheck check(nullptr);
        EXPECT_TRUE(check.passed());
    }
    EXPECT_TRUE(seams.boxes.empty());
    ASSERT_EQ(1u, seams.launches.size());
    EXPECT_EQ(0u, seams.launches[0].parameters.find(L"/s "));
    ComPtr<IUnknown> session;
    EXPECT_TRUE(SUCCEEDED(seam::CreateComObject(L"Redemption.RDOSession", IID_IUnknown, session.PutVoid())));
}

TEST_F(StoreComponentCheck, WithoutRedemptionAnywhereEndsTheProcessAfterSayingSo) {
    ASSERT_EQ(S_OK, CallRegistration(FixtureFolder() + kRedemption, false));
    components::CStoreComponentCheck check(nullptr);
    EXPECT_FALSE(check.passed());
    EXPECT_TRUE(seams.launches.empty());
    ExpectFatal(L"Redemption.dll is not properly configured. Re-Install the software.", MB_ICONERROR);
}
