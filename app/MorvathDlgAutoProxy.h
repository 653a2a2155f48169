#pragma once
// The object an automation client gets when it creates "Morvath.Application".
// Its dispatch interface is empty; while one exists it keeps the process alive
// and the main page only hides when closed.
#include <windows.h>
#include <oleauto.h>

class CMorvathDlg;

class CMorvathDlgAutoProxy final : public IDispatch {
public:
    CMorvathDlgAutoProxy();
    CMorvathDlgAutoProxy(const CMorvathDlgAutoProxy&) = delete;
    CMorvathDlgAutoProxy& operator=(const CMorvathDlgAutoProxy&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    CMorvathDlg* m_pDialog = nullptr;  // not owned; cleared by the page when it goes first

private:
    virtual ~CMorvathDlgAutoProxy();
    volatile LONG m_references = 1;
};

// Makes proxies for COM while the process was started by it.
class CMorvathClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // one static instance
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};
