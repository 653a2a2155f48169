#pragma once
// The object an automation client gets when it creates "Morvath.Application".
// Its dispatch interface is empty; while one exists it keeps the process alive
// and the main page only hides when closed.
#include <windows.h>
#include <oleauto.h>

#include "app/AutomationIds.h"
#include "framework/ComObject.h"

class CMorvathDlg;

class CMorvathDlgAutoProxy final : public ComObject<CMorvathDlgAutoProxy, IDispatch> {
public:
    CMorvathDlgAutoProxy();
    CMorvathDlgAutoProxy(const CMorvathDlgAutoProxy&) = delete;
    CMorvathDlgAutoProxy& operator=(const CMorvathDlgAutoProxy&) = delete;

    BEGIN_COM_MAP(CMorvathDlgAutoProxy)
        COM_INTERFACE(IDispatch)
        COM_INTERFACE_IID(kMorvathDispatchId, IDispatch)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    CMorvathDlg* m_pDialog = nullptr;  // not owned; cleared by the page when it goes first

private:
    friend class ComObject<CMorvathDlgAutoProxy, IDispatch>;
    ~CMorvathDlgAutoProxy() override;
};

// Makes proxies for COM while the process was started by it. COM holds the
// registered class object until it is revoked, so it does not keep the process.
using CMorvathClassFactory = ComClassFactory<CMorvathDlgAutoProxy, false>;
