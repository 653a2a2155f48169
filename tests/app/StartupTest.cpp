// Start-up pieces that run before any window: settings reads and the switches.
#include <windows.h>

#include <gtest/gtest.h>

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

TEST(Settings, ValuesThatDoNotFitTheBufferReadEmpty) {
    TestSettings settings;
    settings.Set(L"FilePath", std::wstring(259, L'p'));
    EXPECT_EQ(ReadSetting(L"FilePath").GetLength(), 259);
    settings.Set(L"FilePath", std::wstring(260, L'p'));
    EXPECT_EQ(ReadSetting(L"FilePath"), L"");
    settings.Set(L"FilePath", std::wstring(400, L'p'));
    EXPECT_EQ(ReadSetting(L"FilePath"), L"");
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
    ResetWizardGlobals();
    LoadSettings();
    EXPECT_EQ(g_settingsKey, L"KorvaneEDB_PST");
    EXPECT_EQ(g_platformKind, L'N');
    EXPECT_EQ(g_productTitle, L" Korvane for EDB to PST");
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
