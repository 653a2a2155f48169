#include "Dialog.h"

#include <string>
#include <utility>

#include "App.h"
#include "ErrorReport.h"

namespace {

// Carries a call from another thread to the dialog procedure of the window's thread.
struct WindowThreadCall {
    const std::function<INT_PTR()>* call;
    INT_PTR result;
};

UINT RunOnWindowThreadMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"Korvane.RunOnWindowThread");
    return message;
}

std::wstring DescribeMessage(UINT templateId, UINT message) {
    wchar_t text[64];
    ::wsprintfW(text, L"dialog %u, message 0x%04X", templateId, message);
    return text;
}

}  // namespace

void CDataExchange::Fail(int id) {
    m_failed = true;
    int focus = id ? id : m_lastControlId;
    if (!focus) return;
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, focus);
    if (!control) return;
    ::SetFocus(control);
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    if (::lstrcmpiW(className, L"Edit") == 0) ::SendMessageW(control, EM_SETSEL, 0, -1);
}

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
    exchange->PrepareControl(id);
    control.Attach(::GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id));
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
    exchange->PrepareControl(id);
    if (exchange->m_bSaveAndValidate)
        value = exchange->m_pDlgWnd->GetDlgItemText(id);
    else
        exchange->m_pDlgWnd->SetDlgItemText(id, value);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() { DestroyOwnWindow(); }

HWND CDialog::CreateWindowFor(HWND owner) {
    m_endRequested = false;
    m_windowDestroyed = false;
    m_initFailed = false;
    m_result = -1;
    HWND window = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (window && m_initFailed) {
        // The page could not set itself up; showing it half made would mislead the user.
        DestroyOwnWindow();
        return nullptr;
    }
    return window;
}

void CDialog::DestroyOwnWindow() {
    HWND window = std::exchange(m_hWnd, nullptr);
    if (window && ::IsWindow(window)) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        ::DestroyWindow(window);
    }
}

bool CDialog::Create(CWnd* parent) {
    if (parent) m_parent = parent;
    return CreateWindowFor(m_parent ? m_parent->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    if (!owner) {
        // Like the framework we imitate: an unparented modal page is owned by the main window.
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd != this) owner = app->m_pMainWnd->m_hWnd;
    }
    HWND window = CreateWindowFor(owner);
    if (!window) return -1;

    // Whatever ends the loop, the owner takes input again before this window goes,
    // so activation returns to it.
    struct ModalScope {
        CDialog& dialog;
        HWND owner;
        bool ownerDisabled = false;
        ~ModalScope() {
            if (ownerDisabled && ::IsWindow(owner)) {
                ::EnableWindow(owner, TRUE);
                ::SetActiveWindow(owner);
            }
            dialog.DestroyOwnWindow();
        }
    } scope{*this, owner};
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        scope.ownerDisabled = true;
    }
    if (!m_endRequested) ::ShowWindow(window, SW_SHOW);

    MSG message = {};
    bool quitSeen = false;
    try {
        while (!m_endRequested && !m_windowDestroyed) {
            BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                quitSeen = true;
                break;
            }
            if (got < 0) break;
            if (PreTranslateMessage(&message)) continue;
            if (::IsDialogMessageW(window, &message)) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    } catch (...) {
        ReportCurrentException(DescribeMessage(m_templateId, message.message) + L" (modal loop)");
        m_result = -1;
    }
    if (quitSeen) ::PostQuitMessage(static_cast<int>(message.wParam));  // let the outer loop see it too
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_endRequested = true;
    if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
    }
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return !exchange.Failed();
}

BOOL CDialog::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    StoreData();
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CDialog::Default() {
    if (m_currentCall) m_currentCall->defaultRequested = true;
    return 0;
}

bool CDialog::RouteCommandToOwner(WPARAM wParam, LPARAM lParam) {
    // Only menu commands and accelerators travel: a control's notification belongs to its own page.
    if (lParam != 0 || HIWORD(wParam) > 1) return false;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (!owner) return false;
    ::SendMessageW(owner, WM_COMMAND, wParam, lParam);
    return true;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    MessageCall call;
    struct CallScope {
        CDialog& dialog;
        MessageCall* outer;
        ~CallScope() { dialog.m_currentCall = outer; }
    } scope{*this, std::exchange(m_currentCall, &call)};

    LRESULT result = 0;
    handled = OnWindowMessage(message, wParam, lParam, result);
    if (handled && call.defaultRequested) handled = false;
    if (handled) return result;

    switch (message) {
    case WM_INITDIALOG:
        handled = true;
        return OnInitDialog();
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
            OnOK();
            handled = true;
        } else if (LOWORD(wParam) == IDCANCEL && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
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

INT_PTR CDialog::RunOnWindowThread(HWND window, const std::function<INT_PTR()>& call) {
    if (!::IsWindow(window)) return -1;
    if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) return call();
    WindowThreadCall request = {&call, -1};
    ::SendMessageW(window, RunOnWindowThreadMessage(), 0, reinterpret_cast<LPARAM>(&request));
    return request.result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
    }
    if (!dialog) return FALSE;

    // Destroyed by anyone (DestroyWindow, its owner going): the object lets go of
    // the handle and a modal loop running it ends, whatever the handlers do.
    struct DestroyedScope {
        HWND window;
        UINT message;
        CDialog* dialog;
        ~DestroyedScope() {
            if (message != WM_NCDESTROY) return;
            ::SetWindowLongPtrW(window, DWLP_USER, 0);
            dialog->m_hWnd = nullptr;
            dialog->m_windowDestroyed = true;
            ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
        }
    } destroyed{window, message, dialog};

    // Nothing may unwind into the system's dispatch code; what is caught is reported.
    try {
        if (message == RunOnWindowThreadMessage()) {
            auto* request = reinterpret_cast<WindowThreadCall*>(lParam);
            request->result = (*request->call)();
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
            return TRUE;
        }
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
        ReportCurrentException(DescribeMessage(dialog->m_templateId, message));
        if (message == WM_INITDIALOG) dialog->m_initFailed = true;
        return FALSE;
    }
}
