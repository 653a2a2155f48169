#include "String.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

CString CString::Left(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_text.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_text.substr(m_text.size() - static_cast<size_t>(count)));
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    size_t n = count < 0 ? std::wstring::npos : static_cast<size_t>(count);
    return CString(m_text.substr(static_cast<size_t>(first), n));
}

int CString::Find(const wchar_t* what, int start) const {
    if (start < 0 || start > GetLength()) return -1;
    size_t at = m_text.find(what, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t what) const {
    size_t at = m_text.rfind(what);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString& CString::MakeUpper() {
    for (wchar_t& c : m_text) c = static_cast<wchar_t>(std::towupper(c));
    return *this;
}

int CString::CompareNoCase(const wchar_t* other) const {
    std::wstring a = m_text, b = other ? other : L"";
    for (wchar_t& c : a) c = static_cast<wchar_t>(std::towupper(c));
    for (wchar_t& c : b) c = static_cast<wchar_t>(std::towupper(c));
    return a.compare(b);
}

void CString::Format(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int written = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
            m_text.assign(buffer.data(), static_cast<size_t>(written));
            return;
        }
        buffer.resize(buffer.size() * 2);
    }
}
