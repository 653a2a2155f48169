#pragma once
// The registry rows of an in-process COM server: its class under
// HKEY_CLASSES_ROOT\CLSID and its ProgID. DllRegisterServer and
// DllUnregisterServer of every server the build makes call these.
#include <windows.h>

namespace com {

struct ServerClass {
    const CLSID* clsid;
    const wchar_t* progId;
    const wchar_t* description;
    const wchar_t* threadingModel;  // "Both" or "Apartment"
};

// Registers the class served by `module` (its full path is written).
HRESULT RegisterServerClass(HMODULE module, const ServerClass& server);
// Removes what RegisterServerClass wrote; rows already gone are not an error.
HRESULT UnregisterServerClass(const ServerClass& server);

}  // namespace com
