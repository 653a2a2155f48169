#include "Settings.h"

#include "WizardGlobals.h"

void ReadSettingString(HKEY key, wchar_t* target, const wchar_t* valueName) {
    DWORD type = 0;
    DWORD size = kSettingBufferUnits * sizeof(wchar_t);
    LONG status = ::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(target), &size);
    size_t units = size / sizeof(wchar_t);
    // A value stored without its terminator fills all 260 units and still does
    // not fit: it reads as empty like any longer value, never as a cut path.
    if (status == ERROR_SUCCESS && units > 0 && target[units - 1] == L'\0') --units;
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) ||
        units >= static_cast<size_t>(kSettingBufferUnits)) {
        target[0] = L'\0';
    } else {
        target[units] = L'\0';
    }
    ::RegCloseKey(key);
}

CString ReadSetting(const wchar_t* valueName) {
    wchar_t buffer[kSettingBufferUnits] = {};
    HKEY key = nullptr;
    if (g_settingsKey.IsEmpty()) return CString();  // an empty name would open the root itself
    if (::RegOpenKeyW(HKEY_CLASSES_ROOT, g_settingsKey, &key) != ERROR_SUCCESS) return CString();
    ReadSettingString(key, buffer, valueName);
    return CString(buffer);
}
