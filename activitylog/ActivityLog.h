#pragma once
// The activity log: "Activity Log.txt", in the "LogPath" folder when that exists,
// else in the program folder. Every page and worker writes it through
// AppendActivityLog and nothing else.
#include <windows.h>

#include "framework/String.h"

constexpr DWORD kActivityLogSizeLimit = 5242880;  // an append finding more starts a new file
constexpr int kActivityLogEntryByteCap = 200;     // converted bytes written per call at most

// Appends one text, converted to the ANSI code page, unchanged: no time stamp, no line break.
// Returns 1 when it was written, 0 when the file could not be opened or written;
// a file another program holds is waited for up to a quarter of a second.
// Callable from any thread; appends from threads of this process never overlap.
int AppendActivityLog(const CString& text);

// Where the next append will write, by the folder rule above.
CString ActivityLogPath();

// "View Log": the program folder's log in Notepad.
void OpenActivityLogInNotepad();

// "Clear Log": asks the question; on Yes deletes the program folder's log and
// starts a new one with a line break, both under the writer's lock, so an append
// from another thread comes before the delete or after the line break.
void ClearActivityLog(HWND owner, const CString& question);

// Appends the header a run starts with, stamped with the local clock.
void AppendActivityLogHeader();
