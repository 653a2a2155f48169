// quillon.Class1 as any automation client sees it: created by ProgID, called
// by DISPID, answering errors for what the call contract does not allow.
#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "QuillonTestSupport.h"
#include "framework/ComInit.h"
#include "framework/ComValues.h"
#include "framework/Handles.h"
#include "framework/Seams.h"

namespace {

class DispatchContract : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, quillon_test::CallRegistration(quillon_test::QuillonDll(), true));
        ASSERT_TRUE(SUCCEEDED(seam::CreateComObject(L"quillon.Class1", IID_IDispatch, component.PutVoid())));
    }

    // Arguments in the order the caller writes them.
    HRESULT Invoke(DISPID id, std::vector<VARIANT> arguments, WORD flags = DISPATCH_METHOD,
                   UINT* argumentError = nullptr) {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS parameters = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                                 static_cast<UINT>(reversed.size()), 0};
        UINT ignored = 0;
        return component->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result.put(), nullptr,
                                 argumentError ? argumentError : &ignored);
    }

    ComInitScope com;
    ComPtr<IDispatch> component;
    UniqueVariant result;
};

VARIANT ByValue(BSTR text) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}
VARIANT ByReference(BSTR* text) {
    VARIANT v;
    v.vt = VT_BSTR | VT_BYREF;
    v.pbstrVal = text;
    return v;
}
VARIANT Long(long value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

}  // namespace

TEST_F(DispatchContract, RefusesWhatTheContractDoesNotAllow) {
    UniqueBstr path(L"\\\\Nobody\\Inbox");
    BSTR pathValue = path.get();
    struct Case {
        const char* what;
        DISPID id;
        std::vector<VARIANT> arguments;
        WORD flags;
        HRESULT expected;
    } cases[] = {
        {"unknown DISPID", 0x60030004, {}, DISPATCH_METHOD, DISP_E_MEMBERNOTFOUND},
        {"DISPID 0", 0, {}, DISPATCH_METHOD, DISP_E_MEMBERNOTFOUND},
        {"property put", 0x60030002, {ByReference(&pathValue)}, DISPATCH_PROPERTYPUT, DISP_E_MEMBERNOTFOUND},
        {"opening call with an argument", 0x60030000, {ByReference(&pathValue)}, DISPATCH_METHOD, DISP_E_BADPARAMCOUNT},
        {"folder call without its path", 0x60030002, {}, DISPATCH_METHOD, DISP_E_BADPARAMCOUNT},
        {"store call with one argument", 0x60030001, {ByReference(&pathValue)}, DISPATCH_METHOD, DISP_E_BADPARAMCOUNT},
        {"number for a text", 0x60030002, {Long(7)}, DISPATCH_METHOD, DISP_E_TYPEMISMATCH},
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.expected, Invoke(c.id, c.arguments, c.flags)) << c.what;
    }
}

TEST_F(DispatchContract, AnswersTextsForReferencesAndPlainValues) {
    ASSERT_EQ(S_OK, Invoke(0x60030000, {}));
    UniqueBstr path(L"\\\\Store never created\\Inbox");
    BSTR pathValue = path.get();
    for (VARIANT argument : {ByReference(&pathValue), ByValue(path.get())}) {
        ASSERT_EQ(S_OK, Invoke(0x60030002, {argument}));
        ASSERT_EQ(VT_BSTR, result.get()->vt);
        EXPECT_EQ(0, wcsncmp(result.get()->bstrVal, L"ERROR: ", 7)) << result.get()->bstrVal;
    }
    EXPECT_EQ(path.get(), pathValue) << "the component replaced the caller's text";

    // The message call: the short in eighth place, everything else texts; a
    // number where a text belongs is named by its DISPPARAMS position.
    BSTR nothing = nullptr;
    short one = 1;
    VARIANT flag;
    flag.vt = VT_I2 | VT_BYREF;
    flag.piVal = &one;
    std::vector<VARIANT> message(10, ByReference(&nothing));
    message[0] = ByReference(&pathValue);
    message[7] = flag;
    ASSERT_EQ(S_OK, Invoke(0x60030003, message));
    EXPECT_EQ(VT_BSTR, result.get()->vt);
    message[7] = ByReference(&nothing);
    UINT argumentError = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Invoke(0x60030003, message, DISPATCH_METHOD, &argumentError));
    EXPECT_EQ(2u, argumentError);
}

// The thread keeps the class object between creations: each creation must
// still give a new instance, and a new apartment after the scope ended must
// not be handed the old apartment's class object.
TEST(KeptClassObject, EveryCreationIsANewInstanceInEachApartment) {
    ASSERT_EQ(S_OK, quillon_test::CallRegistration(quillon_test::QuillonDll(), true));
    for (int apartment = 0; apartment < 2; ++apartment) {
        ComInitScope com;
        ComPtr<IDispatch> first, second;
        ASSERT_EQ(S_OK, seam::CreateComObject(L"quillon.Class1", IID_IDispatch, first.PutVoid()));
        ASSERT_EQ(S_OK, seam::CreateComObject(L"quillon.Class1", IID_IDispatch, second.PutVoid()));
        EXPECT_NE(first.Get(), second.Get());
    }
}
