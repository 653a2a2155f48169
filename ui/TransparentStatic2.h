#pragma once
// A static text on the skin that changes often while a page works: it keeps a
// copy of the picture that lay under it at its first erase and draws each new
// text on a clean copy of it, without repainting the parent. The copy is never
// refreshed, so whatever covered the parent at that first erase stays in it.
#include "framework/Handles.h"
#include "ui/SubclassedControl.h"

class CTransparentStatic2 : public CSubclassedControl {
protected:
    bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void EraseBackground(HDC dc);

    UniqueBitmap m_background;  // empty until the first erase
};
