#include "MorvathDlgAutoProxy.h"

#include "app/MorvathDlg.h"
#include "framework/App.h"

namespace {

// The last client has let go. A page the user closed while a client held it was
// only hidden for the client's sake: end it now as that close would have. A page
// hidden for any other reason (the mailbox or search page runs in front of it)
// is left alone.
void CloseMainPageClosedWhileAutomated() {
    CWinApp* app = AfxGetApp();
    auto* page = app ? dynamic_cast<CMorvathDlg*>(app->m_pMainWnd) : nullptr;
    if (page && page->m_hWnd && page->m_hiddenByClose && !page->m_pAutoProxy) page->PostMessage(WM_CLOSE);
}

}  // namespace

CMorvathDlgAutoProxy::CMorvathDlgAutoProxy() {
    SetComModuleReleasedHandler(CloseMainPageClosedWhileAutomated);
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
    if (m_pDialog) m_pDialog->m_pAutoProxy = nullptr;
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
