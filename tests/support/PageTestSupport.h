#pragma once
// What every in-process page test needs: the seams answered and recorded, a
// settings key and program folder of the test's own, and a page that is really
// created and painted once before it is driven.
#include <windows.h>
#include <commdlg.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct RecordedBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT flags;
    bool nextEnabledWhenShown;  // what the probe window (if any) looked like while the box was up
};

// The pages' yes-or-no questions, as the user sees them: system modal.
constexpr UINT kSystemModalQuestion = MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL;

struct RecordedLaunch {
    std::wstring verb, file, parameters;
};

// Seams for one test: scripted answers in, everything shown or started recorded.
class SeamRecorder {
public:
    SeamRecorder();
    ~SeamRecorder();

    std::deque<int> boxAnswers;              // IDYES, IDNO...; IDOK when empty
    std::deque<std::wstring> filesToPick;    // next open-file dialog picks this; "" means Cancel
    std::deque<std::wstring> foldersToPick;  // next folder browser picks this; "" or none means Cancel
    std::vector<std::wstring> folderBrowserTitles;
    std::vector<RecordedBox> boxes;
    std::vector<OPENFILENAMEW> fileDialogs;
    std::vector<RecordedLaunch> launches;        // programs run and waited for are recorded with the verb "run"
    bool runProgramsForReal = false;             // programs run and waited for are started, not only recorded
    std::vector<UINT> terminations;              // exit codes of TerminateProcess on ourselves
    std::vector<UINT> exits;                     // exit codes of the runtime's exit
    std::vector<DWORD> pauses;                   // waits asked for, in ms; none really happens
    std::vector<std::wstring> windowLookups;     // titles looked for among the top-level windows
    std::vector<std::wstring> openWindowTitles;  // lookups for these titles find a window
    std::wstring helpViewerTitle;                // when set, opening a .chm file opens a window of this title
    HWND probeWindow = nullptr;                  // its enabled state is recorded with each box

    static SeamRecorder* current;
};

// A folder under the system temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring& path() const { return m_path; }
    std::wstring file(const wchar_t* name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// Points the wizard's settings at a key of this test's own below HKEY_CLASSES_ROOT.
class TestSettings {
public:
    TestSettings();
    ~TestSettings();
    void Set(const wchar_t* name, const std::wstring& value);
    void Remove(const wchar_t* name);

private:
    std::wstring m_key;
};

// The ground most wizard tests stand on: seams recorded, a settings key of the
// test's own, and a program folder that "FilePath" and g_programFolder name.
class ProgramFolderTest : public ::testing::Test {
protected:
    ProgramFolderTest();
    std::wstring ProgramLog() const { return programFolder.file(L"Activity Log.txt"); }

    SeamRecorder seams;
    TestSettings settings;
    TempFolder programFolder;
};

std::string ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::wstring& path, const std::string& bytes);
std::wstring WindowText(HWND window);
// Shows a created page and lets it paint once, as a real start would.
void ShowAndPaint(HWND window);
// Runs `draw` on a width x height picture filled with `paper` and returns the
// picture's pixels, row by row.
std::vector<COLORREF> DrawnPixels(int width, int height, COLORREF paper, const std::function<void(HDC)>& draw);
// A one-colour 24-bit bitmap file, as a stand-in for the skin pictures.
void WriteBitmapFile(const std::wstring& path, int width, int height, COLORREF colour);
// With KORVANE_SNAPSHOT set, announces the window's place on the screen as
// "SNAP NAME X Y WIDTH HEIGHT" and keeps it drawn for a moment, so a script
// watching the output can take the picture from the display.
void SaveSnapshot(HWND window, const char* name);
// The process's live GDI objects, for tests that open a page many times and
// compare (works under wine too, which answers GetGuiResources with 0).
DWORD GdiObjects();
// Opens a page once (which may fill caches the system keeps), then 100 times
// more, and expects at most `allowed` more GDI objects live than after the first.
void ExpectNoGdiLeakPerOpening(const std::function<void()>& openOnce, DWORD allowed = 9);
