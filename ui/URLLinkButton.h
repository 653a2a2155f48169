#pragma once
// A push button that looks and acts like a web link: only its caption, bold
// and underlined, in the normal, hover, visited or disabled colour, a hand
// cursor, and a click that hands the target to the shell. Enter clicks it on
// key-up; Space does nothing.
#include "framework/Afx.h"
#include "ui/SubclassedControl.h"

class CURLLinkButton : public CSubclassedControl {
public:
    CURLLinkButton();

    void SetTarget(const wchar_t* target) { m_target = target; }
    void SetPrefix(const wchar_t* prefix) { m_prefix = prefix; }
    void SetToolTipText(const wchar_t* text) { m_toolTipText = text; }

    // The colour the caption is drawn in now.
    COLORREF CaptionColour() const;
    bool IsVisited() const { return m_visited; }

    BOOL PreTranslateMessage(MSG* message) override;

protected:
    void OnSubclassed() override;
    bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(const DRAWITEMSTRUCT& item);
    void Click();
    void Redraw() { ::InvalidateRect(m_hWnd, nullptr, TRUE); }

    CString m_toolTipText;
    COLORREF m_normalColour;
    COLORREF m_hoverColour;
    COLORREF m_visitedColour = RGB(128, 0, 128);
    COLORREF m_disabledColour;
    bool m_hovering = false;
    bool m_tracking = false;
    bool m_visited = false;
    CString m_target;
    CString m_prefix;
    UniqueFont m_linkFont;
    HWND m_toolTip = nullptr;  // never created in this program; messages are relayed when it is
    bool m_keyPressed = false;
};
