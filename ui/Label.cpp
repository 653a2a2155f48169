#include "Label.h"

#include <algorithm>

namespace {

constexpr UINT_PTR kBlinkTimer = 1;
constexpr UINT kBlinkMilliseconds = 500;

int Channel(COLORREF colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

}  // namespace

std::vector<GradientBand> LabelGradientBands(int width, COLORREF from, COLORREF to) {
    int bands = std::max(1, std::min(width, 100));
    int bandWidth = width / bands;
    int value[3], step[3];
    for (int c = 0; c < 3; ++c) {
        value[c] = Channel(from, 8 * c) * 256;
        step[c] = (Channel(to, 8 * c) - Channel(from, 8 * c)) * 256 / bands;
    }
    std::vector<GradientBand> result;
    result.reserve(static_cast<size_t>(bands));
    for (int band = 0; band < bands; ++band) {
        int left = band * bandWidth;
        int right = band == bands - 1 ? width : left + bandWidth;
        result.push_back({left, right, RGB(value[0] / 256, value[1] / 256, value[2] / 256)});
        for (int c = 0; c < 3; ++c) value[c] += step[c];
    }
    return result;
}

CLabel::CLabel()
    : m_textColour(::GetSysColor(COLOR_WINDOWTEXT)), m_faceBrush(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE))) {}

void CLabel::OnSubclassed() {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    ::GetObjectW(font, sizeof(m_logFont), &m_logFont);
    m_font.reset(::CreateFontIndirectW(&m_logFont));
}

void CLabel::Redraw() {
    if (!m_hWnd) return;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HWND parent = ::GetParent(m_hWnd);
    RECT area;
    ::GetWindowRect(m_hWnd, &area);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::InvalidateRect(parent, &area, TRUE);
    ::UpdateWindow(parent);
}

void CLabel::RemakeFont() {
    m_font.reset(::CreateFontIndirectW(&m_logFont));
    Redraw();
}

void CLabel::ChangeStyle(DWORD remove, DWORD add, bool extended) {
    if (!m_hWnd) return;
    int index = extended ? GWL_EXSTYLE : GWL_STYLE;
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, index);
    ::SetWindowLongPtrW(m_hWnd, index, static_cast<LONG_PTR>((style & ~static_cast<LONG_PTR>(remove)) | add));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

CLabel& CLabel::SetFill(COLORREF colour, COLORREF gradientColour, int gradient) {
    m_fillColour = colour;
    m_gradientColour = gradientColour;
    m_gradient = gradient;
    m_fillBrush.reset();  // a colour change must not leave the old brush behind
    if (!gradient) m_fillBrush.reset(::CreateSolidBrush(colour));
    Redraw();
    return *this;
}

CLabel& CLabel::SetForeColor(COLORREF colour) {
    m_textColour = colour;
    Redraw();
    return *this;
}

CLabel& CLabel::SetCaption(const wchar_t* text) {
    if (!m_hWnd) return *this;
    ::SetWindowTextW(m_hWnd, text);
    Redraw();
    return *this;
}

CLabel& CLabel::SetBold(bool on) {
    m_logFont.lfWeight = on ? FW_BOLD : FW_NORMAL;
    RemakeFont();
    return *this;
}

CLabel& CLabel::SetFace(const wchar_t* faceName, BYTE charSet) {
    ::lstrcpynW(m_logFont.lfFaceName, faceName, LF_FACESIZE);
    m_logFont.lfCharSet = charSet;
    RemakeFont();
    return *this;
}

CLabel& CLabel::SetUnderlined(bool on) {
    m_logFont.lfUnderline = on ? TRUE : FALSE;
    RemakeFont();
    return *this;
}

CLabel& CLabel::SetItalic(bool on) {
    m_logFont.lfItalic = on ? TRUE : FALSE;
    RemakeFont();
    return *this;
}

CLabel& CLabel::SetPointSize(int points) {
    WindowDcScope screen(nullptr);
    m_logFont.lfHeight = -::MulDiv(points * 10, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 720);
    m_logFont.lfWidth = 0;
    RemakeFont();
    return *this;
}

CLabel& CLabel::SetSunkenEdge(bool on) {
    ChangeStyle(on ? 0 : WS_EX_STATICEDGE, on ? WS_EX_STATICEDGE : 0, true);
    return *this;
}

CLabel& CLabel::SetFrame(bool on) {
    ChangeStyle(on ? 0 : WS_BORDER, on ? WS_BORDER : 0, false);
    return *this;
}

CLabel& CLabel::SetSeeThrough(int on) {
    m_seeThrough = on;
    ChangeStyle(0, WS_EX_TRANSPARENT, true);
    Redraw();
    return *this;
}

void CLabel::StartBlinking(int mode) {
    if (m_blinkTimerRunning && m_hWnd) ::KillTimer(m_hWnd, kBlinkTimer);
    m_blinkTimerRunning = false;
    if (!mode) return;
    m_blinkPhase = false;
    if (m_hWnd) m_blinkTimerRunning = ::SetTimer(m_hWnd, kBlinkTimer, kBlinkMilliseconds, nullptr) != 0;
    m_blinkMode = mode;
}

CLabel& CLabel::SetBlinkText(bool on) {
    StartBlinking(on ? 1 : 0);
    if (!on) m_blinkMode = 0;
    return *this;
}

CLabel& CLabel::SetBlinkFill(bool on) {
    StartBlinking(on ? 2 : 0);
    return *this;
}

CLabel& CLabel::SetUrlLink(bool on, int notifyParent) {
    m_linkMode = on ? 1 : 0;
    m_notifyParent = notifyParent;
    ChangeStyle(on ? 0 : SS_NOTIFY, on ? SS_NOTIFY : 0, false);
    return *this;
}

CLabel& CLabel::SetHoverCursor(HCURSOR cursor) {
    m_hoverCursor = cursor;
    return *this;
}

CLabel& CLabel::SetEmbossed(int on, int raised) {
    m_embossed = on;
    m_embossRaised = raised;
    Redraw();
    return *this;
}

CLabel& CLabel::SetAngle(int degrees, int rotated) {
    m_logFont.lfEscapement = m_logFont.lfOrientation = degrees * 10;
    m_rotated = rotated;
    RemakeFont();
    return *this;
}

CLabel& CLabel::SetEmbossColor(COLORREF colour) {
    m_embossColour = colour;
    Redraw();
    return *this;
}

CLabel& CLabel::SetFontParams(const LOGFONTW& font) {
    m_logFont = font;
    RemakeFont();
    return *this;
}

CLabel& CLabel::SetMailtoLink(bool on, int notifyParent) {
    m_linkMode = on ? 2 : 0;
    m_notifyParent = notifyParent;
    ChangeStyle(on ? 0 : SS_NOTIFY, on ? SS_NOTIFY : 0, false);
    return *this;
}

CLabel& CLabel::SetUrlTarget(const wchar_t* target) {
    m_linkTarget = target;
    return *this;
}

UINT CLabel::TextFormat(DWORD style, const CString& text) {
    UINT format;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        format = DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        format = DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_LEFTNOWORDWRAP:
        format = DT_LEFT;
        break;
    default:
        format = DT_LEFT | DT_WORDBREAK;
        break;
    }
    if (text.Find(L'\t') >= 0) format |= DT_EXPANDTABS;
    if (style & SS_CENTERIMAGE) format = text.Find(L"\r\n") >= 0 ? DT_CENTER : DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    return format;
}

bool CLabel::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = TRUE;
        return true;
    case WM_TIMER:
        if (wParam != kBlinkTimer) return false;
        m_blinkPhase = !m_blinkPhase;
        Redraw();
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
        OnClick();
        return false;
    case WM_SETCURSOR:
        if (!m_hoverCursor) return false;
        ::SetCursor(m_hoverCursor);
        result = TRUE;
        return true;
    case WM_SYSCOLORCHANGE:
        m_faceBrush.reset(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
        Redraw();
        result = 0;
        return true;
    case WM_DESTROY:
        StartBlinking(0);
        return false;
    default:
        (void)lParam;
        return false;
    }
}

void CLabel::OnClick() {
    CString text = GetWindowText();
    if (m_notifyParent) {
        NMHDR header = {m_hWnd, static_cast<UINT_PTR>(GetDlgCtrlID()), kClickNotification};
        ::SendMessageW(::GetParent(m_hWnd), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    } else if (m_linkMode == 1) {
        seam::ShellExecuteOpen(nullptr, L"open", m_linkTarget.IsEmpty() ? text : m_linkTarget, nullptr, nullptr,
                               SW_SHOWNORMAL);
    } else if (m_linkMode == 2) {
        seam::ShellExecuteOpen(nullptr, nullptr, CString(L"mailto:") + text, nullptr, nullptr, SW_SHOWNORMAL);
    }
}

void CLabel::Paint() {
    PaintScope paint(m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    CString text = GetWindowText();
    if (m_seeThrough) {
        PaintText(paint.dc(), client, text);
        return;
    }
    MemoryDc memory(paint.dc());
    UniqueBitmap picture(::CreateCompatibleBitmap(paint.dc(), client.right, client.bottom));
    if (!memory || !picture) return;
    SelectObjectScope select(memory.get(), picture.get());
    if (m_gradient) {
        for (const GradientBand& band : LabelGradientBands(client.right, m_fillColour, m_gradientColour)) {
            UniqueBrush brush(::CreateSolidBrush(band.colour));
            RECT area = {band.left, 0, band.right + 1, client.bottom};
            ::FillRect(memory.get(), &area, brush.get());
        }
    } else {
        ::FillRect(memory.get(), &client, m_fillBrush ? m_fillBrush.get() : m_faceBrush.get());
    }
    PaintText(memory.get(), client, text);
    ::BitBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

void CLabel::PaintText(HDC dc, const RECT& client, const CString& text) {
    int previousMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF colour = m_textColour;
    if (m_blinkMode == 1 && !m_blinkPhase) colour = m_fillBrush ? m_fillColour : RGB(0, 0, 0);
    COLORREF previousColour = ::SetTextColor(dc, colour);
    SelectObjectScope font(dc, m_font ? static_cast<HGDIOBJ>(m_font.get()) : ::GetStockObject(SYSTEM_FONT));

    if (m_rotated) {
        UINT previousAlign = ::SetTextAlign(dc, TA_BASELINE | TA_CENTER);
        POINT origin;
        ::SetViewportOrgEx(dc, client.right / 2, client.bottom / 2, &origin);
        ::TextOutW(dc, 0, 0, text, text.GetLength());
        ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        ::SetTextAlign(dc, previousAlign);
    } else {
        UINT format = TextFormat(static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)), text);
        RECT area = client;
        ::DrawTextW(dc, text, -1, &area, format);
        if (m_embossed) {
            int offset = m_embossRaised ? 1 : -1;
            ::OffsetRect(&area, offset, offset);
            ::SetTextColor(dc, m_embossColour);
            ::DrawTextW(dc, text, -1, &area, format);
        }
    }
    ::SetTextColor(dc, previousColour);
    ::SetBkMode(dc, previousMode);
}
