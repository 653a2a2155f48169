#include "ErrorReport.h"

#include <windows.h>

#include <atomic>
#include <exception>

namespace {

std::atomic<ErrorLogWriterFn> g_errorLogWriter{nullptr};

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (; text && *text; ++text) wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

std::wstring DescribeCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        return Widen(error.what());
    } catch (...) {
        return L"unknown exception";
    }
}

}  // namespace

void SetErrorLogWriter(ErrorLogWriterFn writer) { g_errorLogWriter = writer; }

void ReportCurrentException(const std::wstring& where) {
    std::wstring text = L"Unexpected error in " + where + L": " + DescribeCurrentException();
    ::OutputDebugStringW((text + L"\n").c_str());
    // A failing writer must not turn a report into a second exception at the boundary.
    if (ErrorLogWriterFn writer = g_errorLogWriter.load()) {
        try {
            writer(text.c_str());
        } catch (...) {
        }
    }
}
