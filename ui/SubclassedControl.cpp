#include "SubclassedControl.h"

#include <commctrl.h>

namespace {
constexpr UINT_PTR kSubclassId = 0x4B4F5256;  // one id for every look control
// The window property that leads from a control to its wrapper (the system's own
// look-up of a subclass is exported by ordinal only).
constexpr wchar_t kWrapperProperty[] = L"KorvaneLookControl";
}  // namespace

CSubclassedControl::~CSubclassedControl() { UnsubclassWindow(); }

bool CSubclassedControl::SubclassWindow(HWND control) {
    if (control && control == m_hWnd && FromHandle(control) == this) return true;
    UnsubclassWindow();
    if (!control || FromHandle(control)) return false;
    if (!::SetPropW(control, kWrapperProperty, this)) return false;
    if (!::SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        ::RemovePropW(control, kWrapperProperty);
        return false;
    }
    m_hWnd = control;
    OnSubclassed();
    return true;
}

void CSubclassedControl::UnsubclassWindow() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
        ::RemovePropW(m_hWnd, kWrapperProperty);
    }
    m_hWnd = nullptr;
}

CSubclassedControl* CSubclassedControl::FromHandle(HWND control) {
    return control ? static_cast<CSubclassedControl*>(::GetPropW(control, kWrapperProperty)) : nullptr;
}

bool CSubclassedControl::Reflect(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    CSubclassedControl* self = FromHandle(control);
    return self && self->OnControlMessage(kReflectedBase + message, wParam, lParam, result);
}

LRESULT CSubclassedControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                  DWORD_PTR selfData) {
    auto* self = reinterpret_cast<CSubclassedControl*>(selfData);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, SubclassProc, kSubclassId);
        ::RemovePropW(window, kWrapperProperty);
        if (self->m_hWnd == window) self->m_hWnd = nullptr;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    // Nothing may unwind into the system's dispatch code.
    try {
        LRESULT result = 0;
        if (self->OnControlMessage(message, wParam, lParam, result)) return result;
    } catch (...) {
        ReportCurrentException(L"a look control's message");
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

void DDX_Control(CDataExchange* exchange, int id, CSubclassedControl& control) {
    exchange->PrepareControl(id);
    control.SubclassWindow(::GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id));
}
