#include "Help.h"

#include "framework/Afx.h"
#include "wizard/Settings.h"

namespace {
constexpr wchar_t kHelpFileName[] = L"Korvane For EDB-PST.chm";

bool Launched(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

// The window of either title, the caller's first.
HWND FindHelpWindow(const wchar_t* helpWindowTitle) {
    if (HWND open = seam::FindTopWindow(nullptr, helpWindowTitle)) return open;
    for (const wchar_t* title : {kContentsHelpTitle, kMainPageHelpTitle}) {
        if (::lstrcmpW(title, helpWindowTitle) == 0) continue;
        if (HWND open = seam::FindTopWindow(nullptr, title)) return open;
    }
    return nullptr;
}

}  // namespace

void LaunchHelp(const wchar_t* helpWindowTitle) {
    // Each request names the title its page knows, yet there is one help
    // window: opening a second one only because its title was the other
    // would leave two side by side.
    if (HWND open = FindHelpWindow(helpWindowTitle)) {
        if (::IsIconic(open)) ::ShowWindow(open, SW_RESTORE);
        ::SetForegroundWindow(open);
        return;
    }
    CString folder = ReadSetting(L"FilePath");

    // The shell finds the bare file name through PATH, so the program folder goes on it.
    wchar_t path[2048] = {};
    DWORD length = ::GetEnvironmentVariableW(L"PATH", path, 2048);
    if (length > 0 && length < 2048) {
        CString extended = CString(path) + L";" + folder + L";";
        if (extended.GetLength() < 2048) ::SetEnvironmentVariableW(L"PATH", extended);
    }

    if (Launched(seam::ShellExecuteOpen(nullptr, L"open", kHelpFileName, nullptr, nullptr, SW_SHOWNORMAL))) return;
    CString fullPath = folder + L"\\" + kHelpFileName;
    if (Launched(seam::ShellExecuteOpen(nullptr, L"open", fullPath, nullptr, nullptr, SW_SHOWNORMAL))) return;
    wchar_t windowsFolder[256] = {};
    ::GetWindowsDirectoryW(windowsFolder, 255);
    seam::ShellExecuteOpen(nullptr, L"open", CString(windowsFolder) + L"\\hh.exe", fullPath, nullptr, SW_SHOWNORMAL);
}
