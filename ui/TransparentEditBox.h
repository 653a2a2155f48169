#pragma once
// The main page's "Select File :" text: it lies on the skin and never erases
// its background, so the picture shows through around the letters.
#include "ui/SubclassedControl.h"

class CTransparentEditBox : public CSubclassedControl {
protected:
    bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
