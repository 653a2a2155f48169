#include "URLLinkButton.h"

#include <commctrl.h>

namespace {

// One hand cursor for every link button, from the system's old help viewer;
// none when it cannot be had, and the buttons keep the normal cursor.
HCURSOR HandCursor() {
    static HCURSOR cursor = [] {
        wchar_t folder[MAX_PATH] = {};
        UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH);
        if (!length || length >= MAX_PATH) return HCURSOR();
        CString path = folder;
        path += L"\\Winhlp32.exe";
        // Kept loaded for the life of the process: the cursor lives in it.
        HMODULE viewer = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        return viewer ? ::LoadCursorW(viewer, MAKEINTRESOURCEW(106)) : HCURSOR();
    }();
    return cursor;
}

// "https:", "mailto:": a scheme of two or more characters, so a drive letter is none.
bool StartsWithScheme(const CString& text) {
    int length = text.GetLength();
    int i = 0;
    while (i < length && (::IsCharAlphaNumericW(text[i]) || text[i] == L'+' || text[i] == L'-' || text[i] == L'.')) ++i;
    return i >= 2 && i < length && text[i] == L':' && ::IsCharAlphaW(text[0]);
}

}  // namespace

CURLLinkButton::CURLLinkButton()
    : m_normalColour(::GetSysColor(COLOR_HIGHLIGHT)), m_hoverColour(::GetSysColor(COLOR_HOTLIGHT)),
      m_disabledColour(::GetSysColor(COLOR_GRAYTEXT)) {
    HandCursor();
}

void CURLLinkButton::OnSubclassed() {
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
    Redraw();
}

COLORREF CURLLinkButton::CaptionColour() const {
    if (!IsWindowEnabled()) return m_disabledColour;
    if (m_hovering) return m_hoverColour;
    return m_visited ? m_visitedColour : m_normalColour;
}

void CURLLinkButton::Draw(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    if (!m_linkFont) {
        auto current = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        LOGFONTW font = {};
        ::GetObjectW(current ? static_cast<HGDIOBJ>(current) : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
        font.lfHeight = 14;
        font.lfWeight = 800;
        font.lfUnderline = TRUE;
        m_linkFont.reset(::CreateFontIndirectW(&font));
    }
    bool enabled = IsWindowEnabled();
    HGDIOBJ previousFont = enabled && m_linkFont ? ::SelectObject(dc, m_linkFont.get()) : nullptr;
    ::SetTextColor(dc, CaptionColour());
    ::SetBkMode(dc, TRANSPARENT);
    CString caption = GetWindowText();
    RECT area = item.rcItem;
    ::DrawTextW(dc, caption, -1, &area, DT_SINGLELINE);
    if (previousFont) ::SelectObject(dc, previousFont);
}

void CURLLinkButton::Click() {
    if (!IsWindowEnabled()) return;
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    CString target = m_target.IsEmpty() ? GetWindowText() : m_target;
    // The prefix only completes a bare address; one that names its scheme opens as written.
    if (!StartsWithScheme(target)) target = m_prefix + target;
    seam::ShellExecuteOpen(nullptr, L"open", target, nullptr, nullptr, SW_HIDE);
    m_visited = true;
    m_hovering = false;
    Redraw();
    ::SetCursor(previous);
}

bool CURLLinkButton::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case kReflectedBase + WM_DRAWITEM:
        Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case kReflectedBase + WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return false;
        Click();
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        if (!m_tracking) {
            TRACKMOUSEEVENT request = {sizeof(request), TME_LEAVE | TME_HOVER, m_hWnd, 1};
            m_tracking = ::TrackMouseEvent(&request) != FALSE;
        }
        return false;
    case WM_MOUSEHOVER:
        m_hovering = true;
        Redraw();
        if (m_toolTip && ::SendMessageW(m_toolTip, TTM_GETTOOLCOUNT, 0, 0))
            ::SendMessageW(m_toolTip, TTM_ACTIVATE, TRUE, 0);
        result = 0;
        return true;
    case WM_MOUSELEAVE:
        m_tracking = false;
        m_hovering = false;
        Redraw();
        if (m_toolTip && ::SendMessageW(m_toolTip, TTM_GETTOOLCOUNT, 0, 0))
            ::SendMessageW(m_toolTip, TTM_ACTIVATE, FALSE, 0);
        result = 0;
        return true;
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT || !HandCursor()) return false;
        ::SetCursor(HandCursor());
        result = TRUE;
        return true;
    case WM_KILLFOCUS:
        result = DefaultProc(message, wParam, lParam);
        Redraw();
        return true;
    default:
        return false;
    }
}

BOOL CURLLinkButton::PreTranslateMessage(MSG* message) {
    bool enterOrSpace = message->wParam == VK_RETURN || message->wParam == VK_SPACE;
    if (message->message == WM_KEYDOWN && enterOrSpace) {
        m_keyPressed = true;
        return TRUE;
    }
    if (message->message == WM_KEYUP && message->wParam == VK_SPACE) return TRUE;
    if (message->message == WM_KEYUP && message->wParam == VK_RETURN && m_keyPressed) {
        m_keyPressed = false;
        Click();
        return TRUE;
    }
    if (m_toolTip) ::SendMessageW(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message));
    m_keyPressed = false;
    return FALSE;
}
