#include "comclients/DispatchExchange.h"

#include <oleauto.h>

#include <memory>

#include "framework/ComValues.h"
#include "framework/Seams.h"

namespace components {

namespace {

constexpr DISPID kOpeningCall = 0x60030000;

}  // namespace

CDispatchExchange::CDispatchExchange(const wchar_t* progId) : m_progId(progId) {
    ::CoInitialize(nullptr);
    Create();
}

bool CDispatchExchange::Create() {
    if (m_instance) return true;
    if (FAILED(seam::CreateComObject(m_progId, IID_IDispatch, m_instance.PutVoid()))) {
        m_instance.Reset();
        return false;
    }
    Call(kOpeningCall, {});
    return true;
}

std::wstring CDispatchExchange::Call(DISPID id, const std::vector<DispatchArgument>& arguments) {
    if (!m_instance) return std::wstring();
    const size_t count = arguments.size();
    // The values the references point at; the callee may replace them, so they
    // are freed after the call, whatever they then hold.
    std::vector<BSTR> texts(count, nullptr);
    std::vector<short> shorts(count, 0);
    std::vector<VARIANTARG> slots(count);
    for (size_t i = 0; i < count; ++i) {
        const DispatchArgument& argument = arguments[i];
        VARIANTARG& slot = slots[count - 1 - i];  // DISPPARAMS holds the last argument first
        ::VariantInit(&slot);
        if (argument.isShort) {
            shorts[i] = argument.shortValue;
            slot.vt = VT_I2 | VT_BYREF;
            slot.piVal = &shorts[i];
        } else {
            if (!argument.isNull) {
                texts[i] = ::SysAllocStringLen(argument.text.data(), static_cast<UINT>(argument.text.size()));
            }
            slot.vt = VT_BSTR | VT_BYREF;
            slot.pbstrVal = &texts[i];
        }
    }
    DISPPARAMS parameters = {count ? slots.data() : nullptr, nullptr, static_cast<UINT>(count), 0};
    UniqueVariant result;
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    HRESULT hr = m_instance->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result.put(),
                                    &exception, &argumentError);
    for (BSTR text : texts) ::SysFreeString(text);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr) || result.get()->vt != VT_BSTR || !result.get()->bstrVal) return std::wstring();
    return std::wstring(result.get()->bstrVal, ::SysStringLen(result.get()->bstrVal));
}

}  // namespace components
