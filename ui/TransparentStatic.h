#pragma once
// A static text on the skin whose text changes at run time: on each change the
// parent repaints its picture under the control, so no trace of the old text stays.
#include "ui/SubclassedControl.h"

class CTransparentStatic : public CSubclassedControl {
protected:
    bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// Shared by the transparent controls: the reflected colour request gets a
// transparent text background and the hollow brush.
bool AnswerTransparentColour(UINT message, WPARAM wParam, LRESULT& result);
