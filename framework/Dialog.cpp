#include "Dialog.h"

#include "App.h"

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
    if (!control.m_hWnd) control.Attach(::GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id));
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
    if (exchange->m_bSaveAndValidate)
        value = exchange->m_pDlgWnd->GetDlgItemText(id);
    else
        exchange->m_pDlgWnd->SetDlgItemText(id, value);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
}

bool CDialog::Create(CWnd* parent) {
    if (parent) m_parent = parent;
    m_endRequested = false;
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    HWND window = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    if (!owner) {
        // Like the framework we imitate: an unparented modal page is owned by the main window.
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd != this) owner = app->m_pMainWnd->m_hWnd;
    }
    m_endRequested = false;
    m_result = -1;
    HWND window = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (!window) return -1;

    bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
    if (!m_endRequested) ::ShowWindow(window, SW_SHOW);

    MSG message;
    bool quitSeen = false;
    while (!m_endRequested) {
        BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) { quitSeen = true; break; }
        if (got < 0) break;
        if (PreTranslateMessage(&message)) continue;
        if (::IsDialogMessageW(window, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }

    if (ownerWasEnabled) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    ::DestroyWindow(window);
    m_hWnd = nullptr;
    if (quitSeen) ::PostQuitMessage(static_cast<int>(message.wParam));  // let the outer loop see it too
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_endRequested = true;
    if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return true;
}

BOOL CDialog::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CDialog::Default() {
    m_defaultRequested = true;
    return 0;
}

bool CDialog::RouteCommandToOwner(WPARAM wParam, LPARAM lParam) {
    // Only menu commands travel: a control's notification belongs to its own page.
    if (lParam != 0 || HIWORD(wParam) != 0) return false;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (!owner) return false;
    ::SendMessageW(owner, WM_COMMAND, wParam, lParam);
    return true;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    LRESULT result = 0;
    m_defaultRequested = false;
    handled = OnWindowMessage(message, wParam, lParam, result);
    if (handled && m_defaultRequested) handled = false;
    if (handled) return result;

    switch (message) {
    case WM_INITDIALOG:
        handled = true;
        return OnInitDialog();
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            handled = true;
        } else if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            handled = true;
        } else {
            handled = RouteCommandToOwner(wParam, lParam);
        }
        return 0;
    default:
        return 0;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
    }
    if (!dialog) return FALSE;

    // Nothing may unwind into the system's dispatch code.
    try {
        bool handled = false;
        LRESULT result = dialog->WindowProc(message, wParam, lParam, handled);
        if (!handled) return FALSE;
        switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            return TRUE;
        }
    } catch (...) {
        return FALSE;
    }
}
