#include "TransparentStatic2.h"

#include "ui/TransparentStatic.h"

bool CTransparentStatic2::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (AnswerTransparentColour(message, wParam, result)) return true;
    switch (message) {
    case WM_SETTEXT:
        result = DefaultProc(message, wParam, lParam);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        ::UpdateWindow(m_hWnd);
        return true;
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        result = TRUE;
        return true;
    default:
        return false;
    }
}

void CTransparentStatic2::EraseBackground(HDC dc) {
    RECT area;
    ::GetWindowRect(m_hWnd, &area);
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (!m_background) {
        HWND parent = ::GetParent(m_hWnd);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
        WindowDcScope parentDc(parent);
        MemoryDc memory(parentDc.get());
        if (!memory) return;
        m_background.reset(::CreateCompatibleBitmap(parentDc.get(), width, height));
        if (!m_background) return;
        SelectObjectScope select(memory.get(), m_background.get());
        ::BitBlt(memory.get(), 0, 0, width, height, parentDc.get(), area.left, area.top, SRCCOPY);
        return;
    }
    MemoryDc memory(dc);
    if (!memory) return;
    SelectObjectScope select(memory.get(), m_background.get());
    ::BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}
