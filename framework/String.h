#pragma once
// UTF-16 text with value semantics. Pages and globals hold CString; the API
// borrows from the dialog framework the pages were designed against so that page
// code reads naturally, but underneath it is a plain std::wstring.
#include <cstdarg>
#include <string>

class CString {
public:
    CString() = default;
    CString(const wchar_t* text) : m_text(text ? text : L"") {}
    CString(const wchar_t* text, int length) : m_text(text, static_cast<size_t>(length)) {}
    CString(std::wstring text) : m_text(std::move(text)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const wchar_t* GetString() const { return m_text.c_str(); }
    operator const wchar_t*() const { return m_text.c_str(); }
    const std::wstring& str() const { return m_text; }
    wchar_t operator[](int index) const { return m_text[static_cast<size_t>(index)]; }

    CString Left(int count) const;
    CString Right(int count) const;
    // Positions and counts out of range are clamped to the text, never an error.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    int Find(const wchar_t* what, int start = 0) const;
    int Find(wchar_t what, int start = 0) const;
    // Replaces every occurrence, left to right, never inside replaced text; returns how many.
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    int ReverseFind(wchar_t what) const;
    CString& MakeUpper();
    int CompareNoCase(const wchar_t* other) const;
    // printf formatting with the Windows runtime's meanings: "%s" and "%c" take
    // wide text, "%hs" narrow. A format the runtime refuses leaves the string empty.
    void Format(const wchar_t* format, ...);
    bool FormatV(const wchar_t* format, va_list args);

    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const wchar_t* other) {
        m_text += other ? other : L"";
        return *this;
    }
    CString& operator+=(wchar_t c) {
        m_text += c;
        return *this;
    }
    friend CString operator+(CString left, const CString& right) {
        left += right;
        return left;
    }
    friend CString operator+(CString left, const wchar_t* right) {
        left += right;
        return left;
    }
    friend CString operator+(const wchar_t* left, const CString& right) { return CString(left) += right; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_text == (b ? b : L""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }

private:
    std::wstring m_text;
};
