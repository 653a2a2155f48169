#include "comclients/ServerDllRegistration.h"

#include <windows.h>

#include "framework/Seams.h"

namespace components {

bool RegisterServerDllFromProgramFolder(const std::wstring& programFolder, const wchar_t* dllName) {
    std::wstring dll = programFolder;
    if (!dll.empty() && dll.back() != L'\\') dll += L'\\';
    dll += dllName;
    DWORD attributes = ::GetFileAttributesW(dll.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;

    // The short form has no spaces, so regsvr32 reads it as one argument. Where
    // the volume keeps no short names the long path goes in quotes instead.
    std::wstring argumentPath;
    DWORD length = ::GetShortPathNameW(dll.c_str(), nullptr, 0);
    if (length != 0) {
        argumentPath.resize(length);
        length = ::GetShortPathNameW(dll.c_str(), &argumentPath[0], length);
        argumentPath.resize(length);
    }
    if (argumentPath.empty() || argumentPath.find(L' ') != std::wstring::npos) argumentPath = L"\"" + dll + L"\"";

    wchar_t system[MAX_PATH] = {};
    UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH) return false;
    std::wstring program = std::wstring(system) + L"\\regsvr32.exe";
    return seam::RunProgramAndWait(program.c_str(), (L"/s " + argumentPath).c_str());
}

}  // namespace components
