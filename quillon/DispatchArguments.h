#pragma once
// Reading the arguments of a late-bound call. Callers pass them by reference
// (VT_BYREF), some clients by value, and a by-reference VARIANT may wrap
// either; all of these are accepted, anything else is a type mismatch.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace quillon_com {

// The arguments of one Invoke in the order the caller wrote them (DISPPARAMS
// holds them last first).
class DispatchArguments {
public:
    explicit DispatchArguments(const DISPPARAMS* parameters) : m_parameters(parameters) {}

    UINT count() const { return m_parameters ? m_parameters->cArgs : 0; }
    bool hasNamed() const { return m_parameters && m_parameters->cNamedArgs != 0; }

    // Argument `index` (0: the first the caller wrote) as text; a null BSTR is
    // the empty text. False on any other type.
    bool Text(UINT index, std::wstring& text) const;
    // Argument `index` as a short (VT_I2). False on any other type.
    bool Short(UINT index, short& value) const;

    // The position DISPPARAMS gives argument `index` (for the puArgErr answer).
    UINT RawPosition(UINT index) const { return count() - 1 - index; }

private:
    const VARIANT& Unwrapped(UINT index) const;

    const DISPPARAMS* m_parameters;
};

}  // namespace quillon_com
