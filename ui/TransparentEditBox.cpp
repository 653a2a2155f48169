#include "TransparentEditBox.h"

#include "ui/TransparentStatic.h"

bool CTransparentEditBox::OnControlMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (AnswerTransparentColour(message, wParam, result)) return true;
    if (message != WM_ERASEBKGND) return false;
    result = TRUE;
    return true;
}
