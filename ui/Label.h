#pragma once
// A static text that paints itself: a solid or two-colour gradient fill (or
// none), its own text colour and font, and on request blinking, embossed or
// rotated text and link behaviour on a click. The wizard's path lines use a
// white fill; the rest of its abilities stay off in this program.
#include <vector>

#include "framework/Afx.h"
#include "ui/SubclassedControl.h"

// One vertical band of a gradient fill: columns [left, right) in one colour.
struct GradientBand {
    int left;
    int right;
    COLORREF colour;
};
// The bands of a fill from `from` at the left towards `to` at the right: one
// per pixel column up to 100 bands, the last one ending at the right edge.
std::vector<GradientBand> LabelGradientBands(int width, COLORREF from, COLORREF to);

class CLabel : public CSubclassedControl {
public:
    static constexpr UINT kClickNotification = 0x8200;  // WM_NOTIFY code when the parent takes clicks

    CLabel();

    virtual CLabel& SetFill(COLORREF colour, COLORREF gradientColour = 0, int gradient = 0);
    virtual CLabel& SetForeColor(COLORREF colour);
    virtual CLabel& SetCaption(const wchar_t* text);
    virtual CLabel& SetBold(bool on);
    virtual CLabel& SetFace(const wchar_t* faceName, BYTE charSet = DEFAULT_CHARSET);
    virtual CLabel& SetUnderlined(bool on);
    virtual CLabel& SetItalic(bool on);
    virtual CLabel& SetPointSize(int points);
    virtual CLabel& SetSunkenEdge(bool on);
    virtual CLabel& SetFrame(bool on);
    virtual CLabel& SetSeeThrough(int on);
    virtual CLabel& SetBlinkText(bool on);
    virtual CLabel& SetBlinkFill(bool on);
    virtual CLabel& SetUrlLink(bool on, int notifyParent = 0);
    virtual CLabel& SetHoverCursor(HCURSOR cursor);
    virtual CLabel& SetEmbossed(int on, int raised = 0);
    virtual CLabel& SetAngle(int degrees, int rotated = 1);
    virtual CLabel& SetEmbossColor(COLORREF colour);
    virtual CLabel& SetFontParams(const LOGFONTW& font);
    virtual CLabel& SetMailtoLink(bool on, int notifyParent = 0);
    virtual CLabel& SetUrlTarget(const wchar_t* target);

    // The text format painting uses for this style and text.
    static UINT TextFormat(DWORD style, const CString& text);

protected:
    void OnSubclassed() override;
    bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Redraw();
    void RemakeFont();
    void ChangeStyle(DWORD remove, DWORD add, bool extended);
    void StartBlinking(int mode);
    void Paint();
    void PaintText(HDC dc, const RECT& client, const CString& text);
    void OnClick();

    COLORREF m_textColour;
    COLORREF m_embossColour = RGB(255, 255, 255);
    UniqueBrush m_faceBrush;
    UniqueBrush m_fillBrush;
    COLORREF m_fillColour = 0;
    COLORREF m_gradientColour = 0;
    int m_gradient = 0;
    int m_seeThrough = 0;
    bool m_blinkTimerRunning = false;
    bool m_blinkPhase = false;
    int m_blinkMode = 0;
    int m_linkMode = 0;
    int m_notifyParent = 0;
    HCURSOR m_hoverCursor = nullptr;  // not owned
    int m_embossed = 0;
    int m_embossRaised = 0;
    int m_rotated = 0;
    LOGFONTW m_logFont = {};
    UniqueFont m_font;
    CString m_linkTarget;
};
