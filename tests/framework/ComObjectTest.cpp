// COM objects on the helper: interface tables and identity, the module lock,
// and the exception boundary. The class factory is tried through the
// automation class in tests/app.
#include <windows.h>
#include <ole2.h>
#include <oleidl.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include "TestPage.h"
#include "framework/ComObject.h"
#include "framework/Handles.h"

namespace {

// {5E0A1C63-2B7D-4F11-9A40-3C2D7E8F9012}: a second name for IPersist, like a dispatch interface's own IID.
constexpr IID kAliasId = {0x5E0A1C63, 0x2B7D, 0x4F11, {0x9A, 0x40, 0x3C, 0x2D, 0x7E, 0x8F, 0x90, 0x12}};

class CTestObject final : public ComObject<CTestObject, IPersist, IOleWindow> {
public:
    BEGIN_COM_MAP(CTestObject)
        COM_INTERFACE(IPersist)
        COM_INTERFACE(IOleWindow)
        COM_INTERFACE_IID(kAliasId, IPersist)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        return ComBoundary(L"GetClassID", [&] {
            if (!id) throw std::runtime_error("no out parameter");
            *id = kAliasId;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
};

int g_releasedCalls = 0;
void CountRelease() { ++g_releasedCalls; }

TEST(ComObject, AnswersItsTableWithOneIdentityAndHoldsTheModuleLock) {
    long locksBefore = ComModuleLockCount();
    ComPtr<IPersist> object;
    ASSERT_EQ(CTestObject::NewInstance(IID_IPersist, object.PutVoid()), S_OK);
    EXPECT_EQ(ComModuleLockCount(), locksBefore + 1);

    struct Case {
        const IID* iid;
        HRESULT expected;
    } cases[] = {
        {&IID_IUnknown, S_OK}, {&IID_IPersist, S_OK},           {&IID_IOleWindow, S_OK},
        {&kAliasId, S_OK},     {&IID_IDispatch, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        void* found = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(*c.iid, &found), c.expected);
        if (c.expected == S_OK)
            static_cast<IUnknown*>(found)->Release();
        else
            EXPECT_EQ(found, nullptr);
    }

    ComPtr<IOleWindow> window;
    ASSERT_EQ(object->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
    ComPtr<IUnknown> identityA, identityB;
    object->QueryInterface(IID_IUnknown, identityA.PutVoid());
    window->QueryInterface(IID_IUnknown, identityB.PutVoid());
    EXPECT_EQ(identityA.Get(), identityB.Get());
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    g_releasedCalls = 0;
    SetComModuleReleasedHandler(CountRelease);
    identityA.Reset();
    identityB.Reset();
    window.Reset();
    EXPECT_EQ(ComModuleLockCount(), locksBefore + 1);
    object.Reset();
    EXPECT_EQ(ComModuleLockCount(), locksBefore);
    EXPECT_EQ(g_releasedCalls, locksBefore == 0 ? 1 : 0);
    SetComModuleReleasedHandler(nullptr);
}

TEST(ComBoundary, EveryExceptionBecomesAnHresult) {
    ReportRecorder recorder;
    struct Case {
        std::function<HRESULT()> body;
        HRESULT expected;
        bool reported;
    } cases[] = {
        {[] { return S_FALSE; }, S_FALSE, false},
        {[]() -> HRESULT { throw ComError(E_ACCESSDENIED); }, E_ACCESSDENIED, false},
        {[]() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY, false},
        {[]() -> HRESULT { throw std::runtime_error("bad row"); }, E_UNEXPECTED, true},
        {[]() -> HRESULT { throw 7; }, E_UNEXPECTED, true},
    };
    for (const Case& c : cases) {
        recorder.reports.clear();
        EXPECT_EQ(ComBoundary(L"Invoke", c.body), c.expected);
        EXPECT_EQ(!recorder.reports.empty(), c.reported);
    }
    // Through a real method: the object answers for a bad argument instead of crashing its caller.
    ComPtr<IPersist> object;
    ASSERT_EQ(CTestObject::NewInstance(IID_IPersist, object.PutVoid()), S_OK);
    EXPECT_EQ(object->GetClassID(nullptr), E_UNEXPECTED);
    EXPECT_TRUE(recorder.Contains(L"GetClassID"));
}

}  // namespace
