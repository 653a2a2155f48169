#pragma once
// The settings are string values of one key below HKEY_CLASSES_ROOT, written by
// the installer and only ever read here.
#include <windows.h>

#include "framework/String.h"

constexpr int kSettingBufferUnits = 260;  // terminator included

// Queries one value of an open key into a 260-unit buffer and closes the key,
// whatever the outcome. A missing value, or one of 260 units or more (with or
// without its terminator), reads as "".
void ReadSettingString(HKEY key, wchar_t* target, const wchar_t* valueName);

// Opens the settings key and reads one value; "" when the key or value is missing.
CString ReadSetting(const wchar_t* valueName);
