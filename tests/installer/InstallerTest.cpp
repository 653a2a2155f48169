// The 64-bit installer in the test prefix: a silent install, the installed
// program and component at work from the install folder, and a silent
// uninstall that takes everything back but the user's activity log.
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "QuillonTestSupport.h"

namespace {

using quillon_test::BuildPath;
using quillon_test::RunProcess;

constexpr wchar_t kClassKey[] = L"CLSID\\{19297311-B4FF-42D3-BEDA-C11681A58B0E}\\InprocServer32";
const wchar_t* const kShipped[] = {L"Morvath.exe",
                                   L"Quillon.dll",
                                   L"edb2pst.exe",
                                   L"Korvane-Exchange.bmp",
                                   L"Skin2.bmp",
                                   L"Flash.bmp",
                                   L"Korvane For EDB-PST.chm"};

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// A string value as the program and COM read it, through HKEY_CLASSES_ROOT; "" when missing.
std::wstring ClassesValue(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"";
    return value;
}

bool UserKeyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    ::RegCloseKey(handle);
    return true;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) return true;
        ::Sleep(50);
    }
    return condition();
}

// The width of a window of `className` that process `processId` shows, or -1.
int WindowWidth(DWORD processId, const wchar_t* className) {
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, nullptr); window;
         window = ::FindWindowExW(nullptr, window, className, nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        RECT frame = {};
        if (owner == processId && ::GetWindowRect(window, &frame)) return frame.right - frame.left;
    }
    return -1;
}

// The test prefix holds the build's settings key and component registration,
// which the other tests use; they are put back after the uninstall removed them.
class InstallerTest : public ::testing::Test {
protected:
    InstallerTest()
        : installFolder(KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Korvane For EDB-PST"),
          previousProgramFolder(ClassesValue(L"KorvaneEDB_PST", L"FilePath")),
          previousComponent(ClassesValue(kClassKey, nullptr)) {}
    ~InstallerTest() override {
        if (!previousProgramFolder.empty()) {
            ::RegSetKeyValueW(HKEY_CLASSES_ROOT, L"KorvaneEDB_PST", L"FilePath", REG_SZ, previousProgramFolder.c_str(),
                              static_cast<DWORD>((previousProgramFolder.size() + 1) * sizeof(wchar_t)));
        }
        if (!previousComponent.empty()) quillon_test::CallRegistration(previousComponent, true);
        // The build's program registers its automation class again, which the uninstall took away.
        RunProcess(L"\"" + BuildPath(KORVANE_PROGRAM_DIR) + L"\\Morvath.exe\" /Regserver");
        ::DeleteFileW(File(L"Activity Log.txt").c_str());
        ::DeleteFileW(pstPath.c_str());
        ::RemoveDirectoryW(installFolder.c_str());
    }
    std::wstring File(const wchar_t* name) const { return installFolder + L"\\" + name; }

    const std::wstring installFolder;
    const std::wstring previousProgramFolder;
    const std::wstring previousComponent;
    std::wstring pstPath = KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\korvane-installed-component.pst";
};

TEST_F(InstallerTest, SilentInstallWorksFromItsFolderAndSilentUninstallKeepsOnlyTheLog) {
    const std::wstring menu = KnownFolder(CSIDL_PROGRAMS) + L"\\Korvane For EDB To PST";
    ASSERT_EQ(RunProcess(L"\"" + BuildPath(KORVANE_INSTALLER) + L"\" /S"), 0u);

    for (const wchar_t* name : kShipped) EXPECT_TRUE(Exists(File(name))) << name;
    EXPECT_TRUE(Exists(File(L"uninst.exe")));
    EXPECT_TRUE(Exists(menu + L"\\Korvane For EDB To PST.lnk"));
    EXPECT_TRUE(Exists(menu + L"\\Korvane For EDB To PST Help.lnk"));
    // The user's own rows, which Windows shows within HKEY_CLASSES_ROOT.
    EXPECT_TRUE(UserKeyExists(L"Software\\Classes\\KorvaneEDB_PST"));
    EXPECT_TRUE(UserKeyExists(std::wstring(L"Software\\Classes\\") + kClassKey));
    EXPECT_EQ(ClassesValue(L"KorvaneEDB_PST", L"FilePath"), installFolder);
    EXPECT_EQ(ClassesValue(L"KorvaneEDB_PST", L"LogPath"), installFolder);  // where View Log looks too
    EXPECT_EQ(ClassesValue(kClassKey, nullptr), File(L"Quillon.dll"));

    {
        SCOPED_TRACE("the installed program");
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION program = {};
        std::wstring commandLine = L"\"" + File(L"Morvath.exe") + L"\"";
        ASSERT_TRUE(::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                     installFolder.c_str(), &startup, &program));
        // The splash takes the size of the picture it found in the install folder.
        int splashWidth = -1;
        EXPECT_TRUE(WaitFor(
            [&] { return (splashWidth = WindowWidth(program.dwProcessId, L"SplashScreenExClass")) > 0; }, 10000))
            << "splash width " << splashWidth;
        EXPECT_TRUE(WaitFor(
            [&] { return ReadWholeFile(File(L"Activity Log.txt")).find("Start Log File") != std::string::npos; },
            15000));
        ::TerminateProcess(program.hProcess, 0);
        ::WaitForSingleObject(program.hProcess, 10000);
        ::CloseHandle(program.hThread);
        ::CloseHandle(program.hProcess);
    }
    {
        SCOPED_TRACE("a conversion through the installed component");
        EXPECT_EQ(RunProcess(L"\"" + BuildPath(KORVANE_CLIENT_EXE) + L"\" save-all \"" + pstPath +
                             L"\" \"Installed Component\" 1 5"),
                  0u);
        EXPECT_GT(ReadWholeFile(pstPath).size(), 0u);
    }

    ASSERT_EQ(RunProcess(L"\"" + File(L"uninst.exe") + L"\" /S"), 0u);
    // The silent uninstaller goes on in a copy of itself, so it may still be at work.
    EXPECT_TRUE(WaitFor([&] { return !Exists(File(L"uninst.exe")); }, 60000));
    for (const wchar_t* name : kShipped) EXPECT_FALSE(Exists(File(name))) << name;
    EXPECT_FALSE(Exists(menu));
    EXPECT_NE(ReadWholeFile(File(L"Activity Log.txt")).find("Start Log File"), std::string::npos);
    EXPECT_FALSE(UserKeyExists(L"Software\\Classes\\KorvaneEDB_PST"));
    EXPECT_FALSE(UserKeyExists(std::wstring(L"Software\\Classes\\") + kClassKey));
    EXPECT_NE(ClassesValue(kClassKey, nullptr), File(L"Quillon.dll"));
    EXPECT_NE(ClassesValue(L"KorvaneEDB_PST", L"FilePath"), installFolder);
}

}  // namespace
