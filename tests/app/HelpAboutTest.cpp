// Help and About: the PATH the help launcher leaves behind, and the About
// dialog's owner text, links and resources.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AboutDlg.h"
#include "app/AboutDlgRes.h"
#include "app/Help.h"
#include "tests/support/PageTestSupport.h"

namespace {

constexpr wchar_t kTitle[] = L"Help - Korvane For EDB To PST";

std::wstring ProcessPath() {
    wchar_t path[4096] = {};
    ::GetEnvironmentVariableW(L"PATH", path, 4096);
    return path;
}

class HelpAboutTest : public ProgramFolderTest {
protected:
    HelpAboutTest() : savedPath(ProcessPath()) {}
    ~HelpAboutTest() override { ::SetEnvironmentVariableW(L"PATH", savedPath.c_str()); }
    std::wstring savedPath;
};

// The shell finds the help file through PATH, so each request that opens help
// appends the program folder once more; a request that finds the window open
// leaves PATH alone, and so does one whose PATH would outgrow 2,048 units.
TEST_F(HelpAboutTest, EachHelpRequestThatOpensHelpAppendsTheProgramFolderToPath) {
    const std::wstring piece = L";" + programFolder.path() + L";";
    for (int n = 1; n <= 3; ++n) LaunchHelp(kTitle);
    EXPECT_EQ(ProcessPath(), savedPath + piece + piece + piece);
    EXPECT_EQ(seams.launches.size(), 3u);

    seams.openWindowTitles = {kTitle};
    LaunchHelp(kTitle);
    EXPECT_EQ(ProcessPath(), savedPath + piece + piece + piece);
    EXPECT_EQ(seams.launches.size(), 3u);

    seams.openWindowTitles.clear();
    const std::wstring nearlyFull(2048 - piece.size(), L'x');  // one unit too long once extended
    ::SetEnvironmentVariableW(L"PATH", nearlyFull.c_str());
    LaunchHelp(kTitle);
    EXPECT_EQ(ProcessPath(), nearlyFull);
    EXPECT_EQ(seams.launches.size(), 4u);  // help still opens
}

// The registered owner lives in the NT key, or on the 9x platform in its
// "Windows" subkey; the test prefix's own value is put back afterwards.
class RegisteredOwnerScope {
public:
    explicit RegisteredOwnerScope(const wchar_t* key) : m_key(key) {
        DWORD size = sizeof(m_previous);
        m_had = ::RegGetValueW(HKEY_LOCAL_MACHINE, key, L"RegisteredOwner", RRF_RT_REG_SZ, nullptr, m_previous,
                               &size) == ERROR_SUCCESS;
    }
    ~RegisteredOwnerScope() { m_had ? Set(m_previous) : Remove(); }
    void Set(const std::wstring& owner) {
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, m_key, L"RegisteredOwner", REG_SZ, owner.c_str(),
                          static_cast<DWORD>((owner.size() + 1) * sizeof(wchar_t)));
    }
    void Remove() { ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, m_key, L"RegisteredOwner"); }

private:
    const wchar_t* m_key;
    wchar_t m_previous[512] = {};
    bool m_had = false;
};

TEST_F(HelpAboutTest, OwnerTextNamesTheRegisteredOwnerOfThePlatformsKeyOrLeavesItsLineEmpty) {
    constexpr wchar_t kNt[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    constexpr wchar_t kNine[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    RegisteredOwnerScope nt(kNt), nine(kNine);
    struct Case {
        wchar_t kind;
        const wchar_t* ntOwner;    // null: no value
        const wchar_t* nineOwner;  // null: no value
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L'N', L"Zo\u00eb M\u00fcller", L"Other", L"This product is licensed to :\r\nZo\u00eb M\u00fcller"},
        {L'F', L"Other", L"Old Owner", L"This product is licensed to :\r\nOld Owner"},
        {L'N', nullptr, L"Other", L"This product is licensed to :\r\n"},
    };
    for (const Case& c : cases) {
        c.ntOwner ? nt.Set(c.ntOwner) : nt.Remove();
        c.nineOwner ? nine.Set(c.nineOwner) : nine.Remove();
        EXPECT_EQ(std::wstring(LicensedToText(c.kind)), c.expected) << c.kind;
    }
}

TEST_F(HelpAboutTest, AboutDialogOpensItsLinksEndsWithOkAndLeaksNoGdiObjects) {
    WriteBitmapFile(programFolder.file(L"Skin2.bmp"), 40, 30, RGB(200, 220, 240));
    {
        CAboutDlg about;
        ASSERT_TRUE(about.Create());
        ShowAndPaint(about.m_hWnd);
        EXPECT_TRUE(about.HasSkin());
        EXPECT_EQ(WindowText(about.m_hWnd), L"About Korvane for Microsoft EDB to PST");
        EXPECT_EQ(WindowText(::GetDlgItem(about.m_hWnd, IDC_ABOUT_OWNER)).find(L"This product is licensed to :\r\n"),
                  0u);
        // The shell gets each address with its scheme, which it needs to open it.
        const std::vector<std::pair<int, std::wstring>> links = {
            {IDC_ABOUT_WEBSITE, L"https://korvane.example.com"},
            {IDC_ABOUT_SECOND_WEBSITE, L"https://korvane.example.org"},
            {IDC_ABOUT_SALES, L"mailto:sales@example.com"},
            {IDC_ABOUT_SUPPORT, L"mailto:support@example.org"},
        };
        for (const auto& [id, target] : links) {
            HWND link = ::GetDlgItem(about.m_hWnd, id);
            EXPECT_EQ(::GetWindowLongPtrW(link, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << id;
            ::SendMessageW(about.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(link));
            ASSERT_FALSE(seams.launches.empty());
            EXPECT_EQ(seams.launches.back().file, target);
        }
        EXPECT_EQ(seams.launches.size(), links.size());
        // A caption that names its scheme is opened as written, never with a second one in front.
        for (const wchar_t* caption : {L"mailto:orders@example.com", L"https://shop.example.com/"}) {
            HWND link = ::GetDlgItem(about.m_hWnd, IDC_ABOUT_SALES);
            ::SetWindowTextW(link, caption);
            ::SendMessageW(about.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_SALES, BN_CLICKED),
                           reinterpret_cast<LPARAM>(link));
            EXPECT_EQ(seams.launches.back().file, caption);
        }
        ::SendMessageW(about.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_OK, BN_CLICKED), 0);
        EXPECT_TRUE(about.IsModalLoopEnded());
        EXPECT_EQ(about.GetEndResult(), IDCANCEL);
    }
    auto openOnce = [] {
        CAboutDlg about;
        ASSERT_TRUE(about.Create());
        ShowAndPaint(about.m_hWnd);
    };
    ExpectNoGdiLeakPerOpening(openOnce);
}

}  // namespace
