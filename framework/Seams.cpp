#include "Seams.h"

#include <cstdlib>
#include <string>

#include "ComClassCache.h"

namespace {

int RealMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
    return ::MessageBoxW(owner, text, caption, flags);
}
BOOL RealOpenFileDialog(OPENFILENAMEW* request) { return ::GetOpenFileNameW(request); }
PIDLIST_ABSOLUTE RealBrowseForFolder(BROWSEINFOW* request) { return ::SHBrowseForFolderW(request); }
HINSTANCE RealShellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, int show) {
    return ::ShellExecuteW(owner, verb, file, parameters, directory, show);
}
void RealTerminateOwnProcess(UINT exitCode) { ::TerminateProcess(::GetCurrentProcess(), exitCode); }
void RealExitOwnProcess(UINT exitCode) { std::exit(static_cast<int>(exitCode)); }
HRESULT RealCreateComObject(const wchar_t* progId, REFIID iid, void** object) {
    return com::CreateInstanceOfKeptClass(progId, iid, object);
}
HWND RealFindTopWindow(const wchar_t* className, const wchar_t* title) { return ::FindWindowW(className, title); }
bool RealRunProgramAndWait(const wchar_t* program, const wchar_t* arguments) {
    // CreateProcess may write into the command line, so it gets a copy.
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}
void RealPauseThread(DWORD milliseconds) { ::Sleep(milliseconds); }

}  // namespace

namespace seam {

MessageBoxFn ShowMessageBox = RealMessageBox;
OpenFileDialogFn ShowOpenFileDialog = RealOpenFileDialog;
BrowseForFolderFn BrowseForFolder = RealBrowseForFolder;
ShellExecuteFn ShellExecuteOpen = RealShellExecute;
EndProcessFn TerminateOwnProcess = RealTerminateOwnProcess;
EndProcessFn ExitOwnProcess = RealExitOwnProcess;
CreateComObjectFn CreateComObject = RealCreateComObject;
FindTopWindowFn FindTopWindow = RealFindTopWindow;
RunAndWaitFn RunProgramAndWait = RealRunProgramAndWait;
PauseThreadFn PauseThread = RealPauseThread;

void RestoreAll() {
    ShowMessageBox = RealMessageBox;
    ShowOpenFileDialog = RealOpenFileDialog;
    BrowseForFolder = RealBrowseForFolder;
    ShellExecuteOpen = RealShellExecute;
    TerminateOwnProcess = RealTerminateOwnProcess;
    ExitOwnProcess = RealExitOwnProcess;
    CreateComObject = RealCreateComObject;
    FindTopWindow = RealFindTopWindow;
    RunProgramAndWait = RealRunProgramAndWait;
    PauseThread = RealPauseThread;
}

}  // namespace seam
