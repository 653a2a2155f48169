#include "TransparentStatic.h"

bool AnswerTransparentColour(UINT message, WPARAM wParam, LRESULT& result) {
    if (message < kReflectedBase + WM_CTLCOLORMSGBOX || message > kReflectedBase + WM_CTLCOLORSTATIC) return false;
    ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    result = reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
    return true;
}

bool CTransparentStatic::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (AnswerTransparentColour(message, wParam, result)) return true;
    if (message != WM_SETTEXT) return false;
    result = DefaultProc(message, wParam, lParam);
    HWND parent = ::GetParent(m_hWnd);
    RECT area;
    ::GetWindowRect(m_hWnd, &area);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::InvalidateRect(parent, &area, TRUE);
    ::UpdateWindow(parent);
    return true;
}
