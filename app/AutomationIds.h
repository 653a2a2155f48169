#pragma once
// Identities of the automation class; they must match Morvath.idl.
#include <windows.h>

// {8D3B6F20-5A41-4C7E-9E2B-61F0A4C3D701}
constexpr GUID kMorvathTypeLibraryId = {0x8D3B6F20, 0x5A41, 0x4C7E, {0x9E, 0x2B, 0x61, 0xF0, 0xA4, 0xC3, 0xD7, 0x01}};
// {8D3B6F21-5A41-4C7E-9E2B-61F0A4C3D701}
constexpr GUID kMorvathDispatchId = {0x8D3B6F21, 0x5A41, 0x4C7E, {0x9E, 0x2B, 0x61, 0xF0, 0xA4, 0xC3, 0xD7, 0x01}};
// {8D3B6F22-5A41-4C7E-9E2B-61F0A4C3D701}
constexpr GUID kMorvathClassId = {0x8D3B6F22, 0x5A41, 0x4C7E, {0x9E, 0x2B, 0x61, 0xF0, 0xA4, 0xC3, 0xD7, 0x01}};

constexpr wchar_t kMorvathProgId[] = L"Morvath.Application";
constexpr wchar_t kMorvathClassIdText[] = L"{8D3B6F22-5A41-4C7E-9E2B-61F0A4C3D701}";
