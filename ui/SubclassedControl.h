#pragma once
// A control wrapper that takes over the control's window procedure, so the look
// classes can paint and answer messages themselves. The parent hands them the
// messages a control sends it (colour requests, owner drawing, notifications)
// through Reflect, as reflected messages kReflectedBase + the original message.
#include <windows.h>

#include "framework/Afx.h"

constexpr UINT kReflectedBase = WM_USER + 0x1C00;

class CSubclassedControl : public CWnd {
public:
    CSubclassedControl() = default;
    CSubclassedControl(const CSubclassedControl&) = delete;
    CSubclassedControl& operator=(const CSubclassedControl&) = delete;
    ~CSubclassedControl() override;

    // Takes over `control`; a wrapper already holding another window lets it go first.
    bool SubclassWindow(HWND control);
    void UnsubclassWindow();
    bool SubclassDlgItem(int id, const CWnd& parent) { return SubclassWindow(::GetDlgItem(parent.m_hWnd, id)); }

    // The wrapper that took over `control`, or null.
    static CSubclassedControl* FromHandle(HWND control);
    // Gives `control` the reflected form of a message its parent received; false
    // when the control is not one of ours or does not handle it.
    static bool Reflect(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Keyboard filtering before the dialog sees a message meant for this control.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

protected:
    // Called once the control is ours: the place to read its font or change its style.
    virtual void OnSubclassed() {}
    // Returns true when it handled the message and set `result`.
    virtual bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The control's own processing of the message being handled.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
};

// Ties a look control to its dialog item and takes it over, every time the
// dialog's controls are exchanged (a page created again gets its new window).
void DDX_Control(CDataExchange* exchange, int id, CSubclassedControl& control);
