#include "quillon/DispatchArguments.h"

namespace quillon_com {

const VARIANT& DispatchArguments::Unwrapped(UINT index) const {
    const VARIANT& raw = m_parameters->rgvarg[RawPosition(index)];
    if (raw.vt == (VT_VARIANT | VT_BYREF) && raw.pvarVal) return *raw.pvarVal;
    return raw;
}

bool DispatchArguments::Text(UINT index, std::wstring& text) const {
    const VARIANT& value = Unwrapped(index);
    BSTR bstr = nullptr;
    if (value.vt == VT_BSTR) {
        bstr = value.bstrVal;
    } else if (value.vt == (VT_BSTR | VT_BYREF)) {
        bstr = value.pbstrVal ? *value.pbstrVal : nullptr;
    } else {
        return false;
    }
    text.assign(bstr ? bstr : L"", bstr ? ::SysStringLen(bstr) : 0);
    return true;
}

bool DispatchArguments::Short(UINT index, short& value) const {
    const VARIANT& argument = Unwrapped(index);
    if (argument.vt == VT_I2) {
        value = argument.iVal;
        return true;
    }
    if (argument.vt == (VT_I2 | VT_BYREF) && argument.piVal) {
        value = *argument.piVal;
        return true;
    }
    return false;
}

}  // namespace quillon_com
