#pragma once
// Where an exception that reaches a framework boundary (a dialog procedure, a
// worker's thread, a COM method) is reported. The framework writes it to the
// debugger output; the program installs a writer for its activity log, which
// lives in a layer above this one.
#include <string>

using ErrorLogWriterFn = void (*)(const wchar_t* text);

// Installs the writer that receives every report (nullptr: debugger output only).
void SetErrorLogWriter(ErrorLogWriterFn writer);

// Reports the exception being handled; call only inside a catch block.
// `where` names the boundary, e.g. "dialog 102, message 0x0110".
void ReportCurrentException(const std::wstring& where);
