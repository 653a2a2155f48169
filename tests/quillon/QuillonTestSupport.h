#pragma once
// What the component tests under wine share: the build's files by Windows
// path, servers registered and unregistered in the test prefix the way their
// own entry points do it, and child processes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace quillon_test {

// A build path as CMake gives it: a Unix one is reached through wine's Z: drive.
inline std::wstring BuildPath(const char* built) {
    std::string text = built;
    std::wstring path = text.size() > 1 && text[1] == ':' ? L"" : L"Z:";
    for (char c : text) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

inline std::wstring ProgramFolder() { return BuildPath(KORVANE_PROGRAM_DIR); }
inline std::wstring FixtureFolder() { return BuildPath(KORVANE_FIXTURE_DIR); }
inline std::wstring QuillonDll() { return ProgramFolder() + L"\\Quillon.dll"; }

// Calls DllRegisterServer or DllUnregisterServer of `dll` in this process.
inline HRESULT CallRegistration(const std::wstring& dll, bool registering) {
    HMODULE module = ::LoadLibraryW(dll.c_str());
    if (!module) return HRESULT_FROM_WIN32(::GetLastError());
    using EntryFn = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<EntryFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, registering ? "DllRegisterServer" : "DllUnregisterServer")));
    HRESULT hr = entry ? entry() : E_FAIL;
    ::FreeLibrary(module);
    return hr;
}

// Starts `commandLine`; when `killAfterMs` is given the process is killed
// after that long, else waited for. Answers its exit code (~0u: not started).
inline DWORD RunProcess(std::wstring commandLine, DWORD killAfterMs = INFINITE) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ~0u;
    if (::WaitForSingleObject(process.hProcess, killAfterMs) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.hProcess, 9);
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = ~0u;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

}  // namespace quillon_test
