#include "paths/SafeName.h"

#include <algorithm>

namespace convert {
namespace {

bool IsForbidden(wchar_t c) {
    return c < 0x20 || c == 0x7F || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos;
}

bool IsTrailingTrimmed(wchar_t c) { return c == L'.' || c == L' '; }

std::wstring UpperAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

bool IsDeviceName(const std::wstring& name) {
    std::wstring base = UpperAscii(name.substr(0, name.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

// Cuts to at most `length` units without splitting a UTF-16 surrogate pair.
void CutTo(std::wstring& text, size_t length) {
    if (text.size() <= length) return;
    if (sizeof(wchar_t) == 2 && length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    text.resize(length);
}

void TrimTrailing(std::wstring& text) {
    while (!text.empty() && IsTrailingTrimmed(text.back())) text.pop_back();
}

}  // namespace

std::wstring SafeFileName(const std::wstring& name, size_t maxLength) {
    if (maxLength == 0) maxLength = 1;
    std::wstring safe = name;
    std::replace_if(safe.begin(), safe.end(), IsForbidden, L'_');
    TrimTrailing(safe);
    if (IsDeviceName(safe)) {
        size_t dot = safe.find(L'.');
        safe.insert(dot == std::wstring::npos ? safe.size() : dot, L"_");
    }
    CutTo(safe, maxLength);
    TrimTrailing(safe);
    if (safe.empty() || IsDeviceName(safe)) safe = L"_";
    return safe;
}

std::wstring SafeNameSet::Claim(const std::wstring& name, size_t maxLength) {
    std::wstring base = SafeFileName(name, maxLength);
    std::wstring candidate = base;
    for (unsigned n = 2; m_taken.count(UpperAscii(candidate)); ++n) {
        std::wstring suffix = L"_" + std::to_wstring(n);
        std::wstring head = base;
        CutTo(head, maxLength > suffix.size() ? maxLength - suffix.size() : 0);
        candidate = head + suffix;
    }
    m_taken.insert(UpperAscii(candidate));
    return candidate;
}

}  // namespace convert
