// The activity log writer against a real file system and registry under wine.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "activitylog/ActivityLog.h"
#include "tests/support/PageTestSupport.h"
#include "text/CodePageText.h"
#include "wizard/WizardGlobals.h"

namespace {

class ActivityLogTest : public ProgramFolderTest {
protected:
    void SetUp() override { ASSERT_EQ(::GetACP(), 1252u) << "run with LC_ALL=C.UTF-8 so wine uses code page 1252"; }
};

TEST_F(ActivityLogTest, AppendsTextUnchangedInTheAnsiCodePage) {
    EXPECT_EQ(AppendActivityLog(L"Source File Path :"), 1);
    EXPECT_EQ(AppendActivityLog(L"\r\n"), 1);
    EXPECT_EQ(AppendActivityLog(L"Caf\u00e9 \u20ac \u0416"), 1);
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "Source File Path :\r\nCaf\xe9 \x80 ?");
}

TEST_F(ActivityLogTest, LogOverTheSizeLimitStartsAgainWithTheNextEntry) {
    WriteWholeFile(ProgramLog(), std::string(5242881, 'x'));
    EXPECT_EQ(AppendActivityLog(L"fresh"), 1);
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "fresh");

    WriteWholeFile(ProgramLog(), std::string(5242880, 'x'));  // at the limit: kept
    EXPECT_EQ(AppendActivityLog(L"y"), 1);
    EXPECT_EQ(ReadWholeFile(ProgramLog()).size(), 5242881u);
}

TEST_F(ActivityLogTest, NoCallWritesMoreThanTwoHundredBytes) {
    EXPECT_EQ(AppendActivityLog(CString(std::wstring(300, L'a'))), 1);
    EXPECT_EQ(ReadWholeFile(ProgramLog()), std::string(200, 'a'));
}

// Regression: the cut used to ask IsDBCSLeadByte, which knows nothing of UTF-8
// (code page 65001), and split a multi-byte character at byte 200.
TEST(ActivityLogEntryCap, CutFallsBetweenCharactersInEveryCodePage) {
    struct Case {
        UINT codePage;
        std::wstring text;
        size_t keptBytes;
    };
    const std::wstring a199(199, L'a');
    const Case cases[] = {
        {1252, a199 + L"\u00e9z", 200},                         // one byte each
        {65001, a199 + L"\u00e9", 199},                         // a 2-byte sequence does not fit
        {65001, std::wstring(197, L'a') + L"\U0001F600", 197},  // nor a 4-byte surrogate pair
        {65001, std::wstring(196, L'a') + L"\U0001F600", 200},
        {932, a199 + L"\u65e5", 199},  // a double-byte character
    };
    for (const Case& c : cases) {
        std::string kept = ToCodePageWithin(c.text, c.codePage, kActivityLogEntryByteCap);
        EXPECT_EQ(kept.size(), c.keptBytes) << "code page " << c.codePage;
        // What was kept converts back to a prefix of the text: no character was cut.
        wchar_t back[256] = {};
        int units = ::MultiByteToWideChar(c.codePage, MB_ERR_INVALID_CHARS, kept.data(), static_cast<int>(kept.size()),
                                          back, 256);
        EXPECT_EQ(std::wstring(back, units > 0 ? units : 0), c.text.substr(0, units > 0 ? units : 0));
        EXPECT_GT(units, 0) << "code page " << c.codePage;
    }
}

TEST_F(ActivityLogTest, ReadOnlyLogIsMadeWritableAgain) {
    WriteWholeFile(ProgramLog(), "old");
    ASSERT_TRUE(::SetFileAttributesW(ProgramLog().c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(AppendActivityLog(L"+new"), 1);
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "old+new");
    EXPECT_EQ(::GetFileAttributesW(ProgramLog().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(ActivityLogTest, LogPathFolderIsUsedOnlyWhenItExists) {
    TempFolder logFolder;
    settings.Set(L"LogPath", logFolder.path() + L"\\");
    AppendActivityLog(L"there");
    EXPECT_EQ(ReadWholeFile(logFolder.file(L"Activity Log.txt")), "there");
    EXPECT_EQ(::GetFileAttributesW(ProgramLog().c_str()), INVALID_FILE_ATTRIBUTES);

    settings.Set(L"LogPath", logFolder.path() + L"\\missing");
    AppendActivityLog(L"here");
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "here");
}

TEST_F(ActivityLogTest, WithNeitherFolderTheLogGoesToTheRootOfTheCurrentDrive) {
    settings.Remove(L"FilePath");
    settings.Set(L"LogPath", L"C:\\no such folder");
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(L"C:\\windows"));
    ::DeleteFileW(L"C:\\Activity Log.txt");
    EXPECT_EQ(ActivityLogPath(), L"\\Activity Log.txt");
    EXPECT_EQ(AppendActivityLog(L"root"), 1);
    EXPECT_EQ(ReadWholeFile(L"C:\\Activity Log.txt"), "root");
    ::DeleteFileW(L"C:\\Activity Log.txt");
    ::SetCurrentDirectoryW(previous);
}

TEST_F(ActivityLogTest, LogLockedByAnotherProgramDropsTheTextAndGoesOn) {
    WriteWholeFile(ProgramLog(), "kept");
    HANDLE other = ::CreateFileW(ProgramLog().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(AppendActivityLog(L"lost"), 0);
    EXPECT_EQ(AppendActivityLog(L"lost"), 0);
    ::CloseHandle(other);
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "kept");
}

// Regression: a reader holding the log for a moment (the driver reading it
// while the program wrote) made the program drop the entry it was writing.
TEST_F(ActivityLogTest, LogHeldForAMomentKeepsTheText) {
    EXPECT_EQ(AppendActivityLog(L"kept"), 1);  // also ends any give-up an earlier case left
    HANDLE other = ::CreateFileW(ProgramLog().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    std::thread release([other] {
        ::Sleep(30);
        ::CloseHandle(other);
    });
    EXPECT_EQ(AppendActivityLog(L"+"), 1);
    release.join();
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "kept+");
}

// Regression: the writer opens the file without sharing, so overlapping appends
// from the worker and the user-interface thread used to lose entries.
TEST_F(ActivityLogTest, TwoThreadsAppendingLoseNothing) {
    auto writer = [](const wchar_t* text) {
        for (int i = 0; i < 1000; ++i) AppendActivityLog(text);
    };
    std::thread first(writer, L"a");
    std::thread second(writer, L"bb");
    first.join();
    second.join();
    std::string log = ReadWholeFile(ProgramLog());
    EXPECT_EQ(log.size(), 3000u);
    EXPECT_EQ(std::count(log.begin(), log.end(), 'a'), 1000);
}

TEST_F(ActivityLogTest, ClearLogAnsweredYesLeavesOneLineBreak) {
    AppendActivityLog(L"old entries");
    seams.boxAnswers = {IDNO, IDYES};
    ClearActivityLog(nullptr, L"Do you want to clear Log File ?");
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "old entries");
    ClearActivityLog(nullptr, L"Do you want to clear Log File ?");
    EXPECT_EQ(ReadWholeFile(ProgramLog()), "\r\n");
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[0].caption, L"Korvane For EDB To PST");
    EXPECT_EQ(seams.boxes[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL));
}

// Regression: Clear Log deleted the file outside the writer's lock, so an append
// in flight on another thread (holding the file open without sharing) made the
// delete fail, or slipped its text in before the new log's first line break.
TEST_F(ActivityLogTest, ClearLogWaitsForAnAppendInFlight) {
    for (int round = 0; round < 20; ++round) {
        AppendActivityLog(L"old");
        std::atomic<bool> stop{false};
        std::atomic<int> appended{0};
        std::thread worker([&] {
            while (!stop) appended += AppendActivityLog(L"w");
        });
        while (appended < 3) std::this_thread::yield();
        seams.boxAnswers = {IDYES};
        ClearActivityLog(nullptr, L"Do you want to clear Log File ?");
        stop = true;
        worker.join();
        std::string log = ReadWholeFile(ProgramLog());
        ASSERT_EQ(log.substr(0, 2), "\r\n") << "round " << round;
        ASSERT_EQ(log.find_first_not_of('w', 2), std::string::npos) << "round " << round;
    }
}

TEST_F(ActivityLogTest, ViewLogOpensTheProgramFolderLogInNotepadEvenWhenLogPathIsElsewhere) {
    TempFolder logFolder;
    settings.Set(L"LogPath", logFolder.path());
    OpenActivityLogInNotepad();
    ASSERT_EQ(seams.launches.size(), 1u);
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(seams.launches[0].verb, L"open");
    EXPECT_EQ(seams.launches[0].file, std::wstring(windows) + L"\\Notepad.exe");
    EXPECT_EQ(seams.launches[0].parameters, ProgramLog());
}

}  // namespace
