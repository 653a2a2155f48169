#include "paths/SafeName.h"

#include <algorithm>

#include "text/AsciiCase.h"

namespace convert {
namespace {

using mailbox::UpperAscii;

bool IsForbidden(wchar_t c) {
    return c < 0x20 || c == 0x7F || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos;
}

bool IsTrailingTrimmed(wchar_t c) { return c == L'.' || c == L' '; }

// Windows opens a device, not a file, for these names whatever extension
// follows (and with spaces before it): CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// and COM or LPT with a digit 0-9 or a superscript one, two or three.
bool IsDeviceName(const std::wstring& name) {
    std::wstring base = UpperAscii(name.substr(0, name.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == device) return true;
    if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t digit = base[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A surrogate without its partner has no UTF-8 form: every conversion would
// turn it into U+FFFD, and two different names would then meet in one store
// or one file. It becomes "_" here, before names are made distinct.
void ReplaceLoneSurrogates(std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsSurrogate(text[i])) continue;
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;
            continue;
        }
        text[i] = L'_';
    }
}

// Cuts to at most `length` units without splitting a UTF-16 surrogate pair.
void CutTo(std::wstring& text, size_t length) {
    if (text.size() <= length) return;
    if (sizeof(wchar_t) == 2 && length > 0 && IsHighSurrogate(text[length - 1])) --length;
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
    ReplaceLoneSurrogates(safe);
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
