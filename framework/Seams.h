#pragma once
// The calls that block on the user, leave the process, start other programs or
// reach outside COM servers go through these replaceable functions. Product code
// calls them and never the Windows functions directly, so tests can answer
// message boxes and dialogs, record launches and keep the test process alive.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

namespace seam {

using MessageBoxFn = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);
using OpenFileDialogFn = BOOL (*)(OPENFILENAMEW* request);
using BrowseForFolderFn = PIDLIST_ABSOLUTE (*)(BROWSEINFOW* request);
using ShellExecuteFn = HINSTANCE (*)(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                     const wchar_t* directory, int show);
using EndProcessFn = void (*)(UINT exitCode);
using CreateComObjectFn = HRESULT (*)(const wchar_t* progId, REFIID iid, void** object);
using FindTopWindowFn = HWND (*)(const wchar_t* className, const wchar_t* title);
using RunAndWaitFn = bool (*)(const wchar_t* program, const wchar_t* arguments);
using PauseThreadFn = void (*)(DWORD milliseconds);

extern MessageBoxFn ShowMessageBox;
extern OpenFileDialogFn ShowOpenFileDialog;
extern BrowseForFolderFn BrowseForFolder;
extern ShellExecuteFn ShellExecuteOpen;
// Ends the process at once: no handlers run, nothing is flushed (TerminateProcess).
extern EndProcessFn TerminateOwnProcess;
// Ends the process through the runtime, so exit handlers run.
extern EndProcessFn ExitOwnProcess;
extern CreateComObjectFn CreateComObject;
// Looks for a top-level window of any process (FindWindowW).
extern FindTopWindowFn FindTopWindow;
// Starts `program` with `arguments` (no window) and waits for it to end; false
// when it could not be started.
extern RunAndWaitFn RunProgramAndWait;
// Blocks the calling thread without dispatching messages (Sleep): the splash screen's wait.
extern PauseThreadFn PauseThread;

// Puts every seam back to the real Windows call.
void RestoreAll();

}  // namespace seam
