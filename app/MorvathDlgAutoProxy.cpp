#include "MorvathDlgAutoProxy.h"

#include "app/MorvathDlg.h"
#include "framework/App.h"

CMorvathDlgAutoProxy::CMorvathDlgAutoProxy() {
    AfxOleLockApp();
    // Only a page of ours can be linked back; any other main window stays unaware of the proxy.
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd) {
        if (auto* page = dynamic_cast<CMorvathDlg*>(app->m_pMainWnd)) {
            m_pDialog = page;
            page->m_pAutoProxy = this;
        }
    }
}

CMorvathDlgAutoProxy::~CMorvathDlgAutoProxy() {
    CMorvathDlg* page = m_pDialog;
    if (page) page->m_pAutoProxy = nullptr;
    AfxOleUnlockApp();
    // The last client has gone and nobody can see the page: end it as a close would.
    if (AfxOleGetLockCount() == 0 && page && page->m_hWnd && !page->IsWindowVisible())
        page->PostMessage(WM_CLOSE);
}

HRESULT CMorvathDlgAutoProxy::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CMorvathDlgAutoProxy::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }

ULONG CMorvathDlgAutoProxy::Release() {
    LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT CMorvathDlgAutoProxy::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CMorvathDlgAutoProxy::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CMorvathDlgAutoProxy::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CMorvathDlgAutoProxy::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CMorvathClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CMorvathClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* proxy = new CMorvathDlgAutoProxy();
    HRESULT hr = proxy->QueryInterface(iid, object);
    proxy->Release();
    return hr;
}

HRESULT CMorvathClassFactory::LockServer(BOOL lock) {
    if (lock)
        AfxOleLockApp();
    else
        AfxOleUnlockApp();
    return S_OK;
}
