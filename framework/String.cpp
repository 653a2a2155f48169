#include "String.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

CString CString::Left(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_text.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_text.substr(m_text.size() - static_cast<size_t>(count)));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

int CString::Find(const wchar_t* what, int start) const {
    if (!what || start < 0 || start > GetLength()) return -1;
    size_t at = m_text.find(what, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(wchar_t what, int start) const {
    if (start < 0 || start >= GetLength()) return -1;
    size_t at = m_text.find(what, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText) {
    if (!oldText || !*oldText) return 0;
    std::wstring from(oldText), to(newText ? newText : L"");
    int count = 0;
    for (size_t at = m_text.find(from); at != std::wstring::npos; at = m_text.find(from, at + to.size())) {
        m_text.replace(at, from.size(), to);
        ++count;
    }
    return count;
}

int CString::ReverseFind(wchar_t what) const {
    size_t at = m_text.rfind(what);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

// The runtime's case functions know only ASCII in the "C" locale; a path with
// accented letters must fold too, so the system's own tables do it.
CString& CString::MakeUpper() {
    if (!m_text.empty()) ::CharUpperBuffW(m_text.data(), static_cast<DWORD>(m_text.size()));
    return *this;
}

int CString::CompareNoCase(const wchar_t* other) const {
    const wchar_t* b = other ? other : L"";
    switch (::CompareStringOrdinal(m_text.c_str(), GetLength(), b, -1, TRUE)) {
    case CSTR_LESS_THAN:
        return -1;
    case CSTR_EQUAL:
        return 0;
    case CSTR_GREATER_THAN:
        return 1;
    default:
        return m_text.compare(b) < 0 ? -1 : 1;  // the call failed: never report a false match
    }
}

void CString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

bool CString::FormatV(const wchar_t* format, va_list args) {
    // The runtime's own wide formatter, not the C99 one the MinGW headers route
    // vswprintf to: there "%s" would read a narrow string, here it reads a wide
    // one, as page code written for Windows expects. The length is measured once,
    // so a text the runtime cannot format ends as an empty string, never a loop.
    va_list measure;
    va_copy(measure, args);
    int length = format ? ::_vscwprintf(format, measure) : -1;
    va_end(measure);
    if (length < 0) {
        m_text.clear();
        return false;
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    int written = ::_vsnwprintf(buffer.data(), buffer.size(), format, args);
    if (written != length) {
        m_text.clear();
        return false;
    }
    m_text.assign(buffer.data(), static_cast<size_t>(written));
    return true;
}
