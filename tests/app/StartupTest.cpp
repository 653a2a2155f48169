// Start-up pieces that run before any window: settings reads and the switches.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "app/AutomationIds.h"
#include "app/AutomationServer.h"
#include "app/MorvathApp.h"
#include "tests/support/PageTestSupport.h"
#include "wizard/Settings.h"
#include "wizard/WizardGlobals.h"

namespace {

TEST(Settings, MissingKeyOrValueReadsEmpty) {
    ResetWizardGlobals();
    g_settingsKey = L"KorvaneEDB_PST_No_Such_Key";
    EXPECT_EQ(ReadSetting(L"FilePath"), L"");

    TestSettings settings;
    EXPECT_EQ(ReadSetting(L"FilePath"), L"");
    settings.Set(L"FilePath", L"C:\\Program Files\\Korvane");
    EXPECT_EQ(ReadSetting(L"FilePath"), L"C:\\Program Files\\Korvane");
}

// Regression: a value of exactly 260 units stored without its terminator fits
// the 520-byte buffer and used to read as a path cut to 259 units.
TEST(Settings, ValuesOf260UnitsOrMoreReadEmptyWithOrWithoutTerminator) {
    struct Case {
        size_t units;
        bool terminated;
        int expectedLength;
    };
    const Case cases[] = {{259, true, 259}, {259, false, 259}, {260, true, 0}, {260, false, 0}, {400, true, 0}};
    TestSettings settings;
    for (const Case& c : cases) {
        // Unterminated, the data is followed by a non-zero unit: the system adds
        // a terminator the caller forgot to count when a zero follows the data.
        std::wstring value = std::wstring(c.units, L'p') + (c.terminated ? L'\0' : L'p');
        DWORD bytes = static_cast<DWORD>((c.units + (c.terminated ? 1 : 0)) * sizeof(wchar_t));
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, g_settingsKey, L"FilePath", REG_SZ, value.c_str(), bytes),
                  ERROR_SUCCESS);
        EXPECT_EQ(ReadSetting(L"FilePath").GetLength(), c.expectedLength)
            << c.units << (c.terminated ? " terminated" : " unterminated");
    }
}

// An empty key name would open HKEY_CLASSES_ROOT itself and read its values.
TEST(Settings, EmptyKeyNameReadsNothingFromTheRoot) {
    const wchar_t kValue[] = L"KorvaneSettingsRootProbe";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, nullptr, kValue, REG_SZ, L"root", 5 * sizeof(wchar_t)),
              ERROR_SUCCESS);
    ResetWizardGlobals();
    EXPECT_EQ(ReadSetting(kValue), L"");
    ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, nullptr, kValue);
}

TEST(Settings, ReadSettingStringClosesTheKeyItWasGiven) {
    TestSettings settings;
    settings.Set(L"LogPath", L"D:\\logs");
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyW(HKEY_CLASSES_ROOT, g_settingsKey, &key), ERROR_SUCCESS);
    wchar_t buffer[kSettingBufferUnits] = {L'x'};
    ReadSettingString(key, buffer, L"LogPath");
    EXPECT_STREQ(buffer, L"D:\\logs");
    EXPECT_EQ(::RegCloseKey(key), ERROR_INVALID_HANDLE);  // already closed
}

TEST(Settings, StartUpReadsTheProgramFolderAndPlatform) {
    // The start-up reads the product's own key: point it at a folder of this test, then put it back.
    wchar_t previous[kSettingBufferUnits] = {};
    DWORD size = sizeof(previous);
    bool hadPrevious = ::RegGetValueW(HKEY_CLASSES_ROOT, L"KorvaneEDB_PST", L"FilePath", RRF_RT_REG_SZ, nullptr,
                                      previous, &size) == ERROR_SUCCESS;
    const std::wstring kFolder = L"C:\\Program Files\\Korvane Startup Test";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, L"KorvaneEDB_PST", L"FilePath", REG_SZ, kFolder.c_str(),
                                static_cast<DWORD>((kFolder.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ResetWizardGlobals();
    LoadSettings();
    EXPECT_EQ(g_programFolder, CString(kFolder.c_str()));
    EXPECT_EQ(g_settingsKey, L"KorvaneEDB_PST");
    EXPECT_EQ(g_platformKind, L'N');
    EXPECT_EQ(g_productTitle, L" Korvane for EDB to PST");

    if (hadPrevious) {
        ::RegSetKeyValueW(HKEY_CLASSES_ROOT, L"KorvaneEDB_PST", L"FilePath", REG_SZ, previous, size);
    } else {
        ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, L"KorvaneEDB_PST", L"FilePath");
    }
    ResetWizardGlobals();
}

struct SwitchCase {
    const wchar_t* commandLine;
    CCommandLineInfo::ShellCommand command;
    bool automated;
    bool embedded;
};

TEST(CommandLine, StandardSwitchesInEitherFormAndAnyCase) {
    const SwitchCase cases[] = {
        {L"", CCommandLineInfo::FileNew, false, false},
        {L"/Register", CCommandLineInfo::AppRegister, false, false},
        {L"-REGSERVER", CCommandLineInfo::AppRegister, false, false},
        {L"/unregister", CCommandLineInfo::AppUnregister, false, false},
        {L"/Unregserver", CCommandLineInfo::AppUnregister, false, false},
        {L"-Automation", CCommandLineInfo::FileNew, true, false},
        {L"/Embedding", CCommandLineInfo::FileNew, false, true},
        {L"C:\\data\\priv1.edb /Nothing Register", CCommandLineInfo::FileNew, false, false},
        {L"\"C:\\a folder\\x.edb\" /Regserver", CCommandLineInfo::AppRegister, false, false},
    };
    for (const SwitchCase& c : cases) {
        CCommandLineInfo info;
        info.ParseArguments(SplitCommandLine(c.commandLine));
        EXPECT_EQ(info.m_nShellCommand, c.command) << c.commandLine;
        EXPECT_EQ(info.m_bRunAutomated, c.automated) << c.commandLine;
        EXPECT_EQ(info.m_bRunEmbedded, c.embedded) << c.commandLine;
    }
}

TEST(CommandLine, RegisterAndUnregisterEndTheProcessWithoutAPage) {
    CCommandLineInfo registerOnly;
    registerOnly.m_nShellCommand = CCommandLineInfo::AppRegister;
    EXPECT_FALSE(ApplyAutomationSwitches(registerOnly));
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyW(HKEY_CLASSES_ROOT, L"Morvath.Application\\CLSID", &key), ERROR_SUCCESS);
    ::RegCloseKey(key);

    // Quoted, so a program folder with spaces names one program and not a
    // shorter path followed by arguments.
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    wchar_t server[2 * MAX_PATH] = {};
    DWORD size = sizeof(server);
    std::wstring serverKey = std::wstring(L"CLSID\\") + kMorvathClassIdText + L"\\LocalServer32";
    ASSERT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, serverKey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, server, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(server), L"\"" + std::wstring(program) + L"\" /Automation");

    CCommandLineInfo unregister;
    unregister.m_nShellCommand = CCommandLineInfo::AppUnregister;
    EXPECT_FALSE(ApplyAutomationSwitches(unregister));
    EXPECT_NE(::RegOpenKeyW(HKEY_CLASSES_ROOT, L"Morvath.Application", &key), ERROR_SUCCESS);

    CCommandLineInfo plain;
    EXPECT_TRUE(ApplyAutomationSwitches(plain));  // and registers again on every start
    ASSERT_EQ(::RegOpenKeyW(HKEY_CLASSES_ROOT, L"Morvath.Application", &key), ERROR_SUCCESS);
    ::RegCloseKey(key);

    // The registration names this test program as the server: leave none behind for later clients.
    UnregisterAutomationServer();
}

}  // namespace
