#include "AutomationServer.h"

#include <oleauto.h>

#include "app/AutomationIds.h"
#include "app/MorvathDlgAutoProxy.h"
#include "framework/Handles.h"
#include "framework/String.h"

namespace {

CString ModulePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return CString(path);
}

void WriteKeyValue(const CString& keyPath, const wchar_t* valueName, const CString& value) {
    UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                     static_cast<DWORD>((value.GetLength() + 1) * sizeof(wchar_t)));
}

SYSKIND TypeLibrarySystemKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

}  // namespace

void RegisterAutomationServer() {
    CString classKey = CString(L"CLSID\\") + kMorvathClassIdText;
    WriteKeyValue(kMorvathProgId, nullptr, kMorvathProgId);
    WriteKeyValue(CString(kMorvathProgId) + L"\\CLSID", nullptr, kMorvathClassIdText);
    WriteKeyValue(classKey, nullptr, kMorvathProgId);
    WriteKeyValue(classKey + L"\\ProgID", nullptr, kMorvathProgId);
    WriteKeyValue(classKey + L"\\LocalServer32", nullptr, L"\"" + ModulePath() + L"\" /Automation");

    ComPtr<ITypeLib> library;
    ::LoadTypeLibEx(ModulePath(), REGKIND_REGISTER, library.Put());
}

void UnregisterAutomationServer() {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kMorvathProgId);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, CString(L"CLSID\\") + kMorvathClassIdText);
    ::UnRegisterTypeLib(kMorvathTypeLibraryId, 1, 0, LOCALE_NEUTRAL, TypeLibrarySystemKind());
}

ClassObjectRegistration::ClassObjectRegistration() {
    ComPtr<IClassFactory> factory;
    if (FAILED(CMorvathClassFactory::NewInstance(IID_IClassFactory, factory.PutVoid()))) return;
    // COM holds its own reference from here until the object is revoked.
    ::CoRegisterClassObject(kMorvathClassId, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
}

ClassObjectRegistration::~ClassObjectRegistration() {
    if (m_cookie) ::CoRevokeClassObject(m_cookie);
}
