#include "ActivityLog.h"

#include <mutex>
#include <string>

#include "framework/Handles.h"
#include "framework/Seams.h"
#include "logtext/LogText.h"
#include "text/CodePageText.h"
#include "wizard/Settings.h"
#include "wizard/WizardGlobals.h"

namespace {

constexpr wchar_t kLogFileName[] = L"Activity Log.txt";

// The file is opened without sharing for each append, so two overlapping appends
// from this process would make one of them fail and lose its text. Clearing the
// log takes the same lock.
std::mutex g_logMutex;

bool FolderExists(const CString& folder) { return ::GetFileAttributesW(folder) != INVALID_FILE_ATTRIBUTES; }

// Whether the last open gave up on a file another program kept open; the
// caller holds g_logMutex.
bool g_heldElsewhere = false;

// Scanners, indexers and readers of the log hold it open for moments; an
// entry is only dropped once the file stays taken for a quarter of a second.
// After that, appends try once each until one gets through, so a program
// holding the log for good does not slow every page down.
UniqueFileHandle OpenLogExclusive(const CString& path) {
    constexpr int kTries = 25;
    constexpr DWORD kPauseMs = 10;
    for (int attempt = 1;; ++attempt) {
        UniqueFileHandle file(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = ::GetLastError();
        if (file) {
            g_heldElsewhere = false;
            return file;
        }
        const bool taken = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (!taken || g_heldElsewhere || attempt == kTries) {
            g_heldElsewhere = taken;
            return file;
        }
        ::Sleep(kPauseMs);
    }
}

}  // namespace

CString ActivityLogPath() {
    CString folder = ReadSetting(L"LogPath");
    if (folder.IsEmpty() || !FolderExists(folder)) folder = ReadSetting(L"FilePath");
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] != L'\\') folder += L"\\";
    return folder + kLogFileName;
}

namespace {

// The caller holds g_logMutex.
int AppendLocked(const CString& text) {
    CString path = ActivityLogPath();
    if (path.GetLength() >= MAX_PATH) return 0;

    if (::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    UniqueFileHandle file = OpenLogExclusive(path);
    if (!file) return 0;

    LARGE_INTEGER size = {};
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > kActivityLogSizeLimit) {
        file.reset();
        ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path);
        file = OpenLogExclusive(path);
        if (!file) return 0;
    }

    std::string bytes = ToCodePageWithin(text.str(), CP_ACP, kActivityLogEntryByteCap);
    LARGE_INTEGER zero = {};
    if (!::SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) return 0;
    DWORD written = 0;
    if (bytes.empty()) return 1;
    BOOL ok = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return ok && written == bytes.size() ? 1 : 0;
}

}  // namespace

int AppendActivityLog(const CString& text) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    return AppendLocked(text);
}

void OpenActivityLogInNotepad() {
    wchar_t windowsFolder[1024] = {};
    ::GetWindowsDirectoryW(windowsFolder, 1024);
    CString program = CString(windowsFolder) + L"\\Notepad.exe";
    CString argument = g_programFolder + L"\\" + kLogFileName;
    seam::ShellExecuteOpen(nullptr, L"open", program, argument, nullptr, SW_SHOWNORMAL);
}

void ClearActivityLog(HWND owner, const CString& question) {
    int answer = seam::ShowMessageBox(owner, question, kMessageCaption, MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL);
    if (answer != IDYES) return;
    // Under the writer's lock: an append in flight holds the file open without
    // sharing, and the delete would fail and leave the old log in place.
    std::lock_guard<std::mutex> lock(g_logMutex);
    ::DeleteFileW(g_programFolder + L"\\" + kLogFileName);
    AppendLocked(logtext::kLineBreak);
}

void AppendActivityLogHeader() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    logtext::LocalTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    for (const std::wstring& entry : logtext::HeaderEntries(time)) AppendActivityLog(CString(entry));
}
