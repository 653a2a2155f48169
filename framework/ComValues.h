#pragma once
// Owners for the values automation calls pass: BSTR and VARIANT.
#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "Handles.h"
#include "String.h"

struct BstrTraits {
    using Handle = BSTR;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::SysFreeString(h); }
};

// A BSTR this code allocated or was handed to free. A null BSTR is the empty text.
class UniqueBstr : public UniqueResource<BstrTraits> {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(const wchar_t* text) : UniqueResource(::SysAllocString(text ? text : L"")) {}
    CString ToString() const { return valid() ? CString(get(), static_cast<int>(::SysStringLen(get()))) : CString(); }
};

// A VARIANT cleared (its BSTR freed, its interface released) when the scope ends.
class UniqueVariant {
public:
    UniqueVariant() { ::VariantInit(&m_value); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { ::VariantClear(&m_value); }

    VARIANT* get() { return &m_value; }
    const VARIANT* get() const { return &m_value; }
    // Clears the old value first; for out parameters.
    VARIANT* put() {
        ::VariantClear(&m_value);
        return &m_value;
    }
    // Hands the value over (to an out parameter) and leaves this one empty.
    VARIANT release() {
        VARIANT value = m_value;
        ::VariantInit(&m_value);
        return value;
    }

private:
    VARIANT m_value;
};
