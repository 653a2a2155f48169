#include "quillon/ServerRegistration.h"

#include <olectl.h>

#include <string>

namespace com {

namespace {

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[64] = {};
    ::StringFromGUID2(clsid, text, 64);
    return text;
}

LONG SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle = nullptr;
    LONG status =
        ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = ::RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(handle);
    return status;
}

LONG DeleteTree(const std::wstring& key) {
    LONG status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (status == ERROR_SUCCESS) status = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

HRESULT RegisterServerClass(HMODULE module, const ServerClass& server) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
    const std::wstring classKey = L"CLSID\\" + ClsidText(*server.clsid);
    const std::wstring progIdKey = server.progId;
    const LONG rows[] = {
        SetValue(classKey, nullptr, server.description),
        SetValue(classKey + L"\\InprocServer32", nullptr, path),
        SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", server.threadingModel),
        SetValue(classKey + L"\\ProgID", nullptr, server.progId),
        SetValue(progIdKey, nullptr, server.description),
        SetValue(progIdKey + L"\\CLSID", nullptr, ClsidText(*server.clsid)),
    };
    for (LONG status : rows) {
        if (status != ERROR_SUCCESS) {
            UnregisterServerClass(server);
            return SELFREG_E_CLASS;
        }
    }
    return S_OK;
}

HRESULT UnregisterServerClass(const ServerClass& server) {
    LONG first = DeleteTree(L"CLSID\\" + ClsidText(*server.clsid));
    LONG second = DeleteTree(server.progId);
    return first == ERROR_SUCCESS && second == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

}  // namespace com
