#pragma once
// The repair both outside-component checks try once: register a server DLL
// shipped in the program folder by running the system's regsvr32.exe on it,
// silently, and waiting for it to end.
#include <string>

namespace components {

// Runs "<system folder>\regsvr32.exe /s <8.3 path of programFolder\dllName>"
// and waits. False, without running anything, when the DLL is not there.
bool RegisterServerDllFromProgramFolder(const std::wstring& programFolder, const wchar_t* dllName);

}  // namespace components
