#include "SplashScreenEx.h"

#include "ui/PictureRegion.h"
#include "ui/Skin.h"

namespace {

constexpr wchar_t kClassName[] = L"SplashScreenExClass";
constexpr UINT_PTR kDisplayTimer = 0;
constexpr DWORD kFadeInMilliseconds = 500;
constexpr DWORD kFadeOutMilliseconds = 200;

}  // namespace

void CSplashScreenEx::ShowAtStartup(CWnd* parent, const wchar_t* picturePath, DWORD milliseconds) {
    auto* splash = new CSplashScreenEx;
    splash->Create(parent, L"", 2000, kFadeIn | kFadeOut | kDropShadow | kCentreOnScreen);
    splash->SetBitmap(picturePath);
    splash->Show();
    seam::PauseThread(milliseconds);
    splash->HideAndDestroy();
}

CSplashScreenEx::CSplashScreenEx() {
    if (HMODULE user = ::GetModuleHandleW(L"USER32.DLL"))
        m_animate = reinterpret_cast<AnimateFn>(reinterpret_cast<void*>(::GetProcAddress(user, "AnimateWindow")));
    LOGFONTW font = {};
    if (::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font))
        m_font.reset(::CreateFontIndirectW(&font));
}

bool CSplashScreenEx::Create(CWnd* parent, const wchar_t* text, DWORD displayTime, DWORD style) {
    m_parent = parent;
    m_text = text;
    m_displayTime = displayTime;
    m_style = style;

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_SAVEBITS | CS_DBLCLKS | ((style & kDropShadow) ? CS_DROPSHADOW : 0);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!::RegisterClassExW(&windowClass)) {
        if (!(style & kDropShadow)) return false;
        windowClass.style &= ~static_cast<UINT>(CS_DROPSHADOW);
        ::RegisterClassExW(&windowClass);  // fails harmlessly when the class is there already
    }
    HWND owner = parent ? parent->GetSafeHwnd() : nullptr;
    m_created = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, owner,
                                  nullptr, ::GetModuleHandleW(nullptr), this) != nullptr;
    return m_created;
}

bool CSplashScreenEx::SetBitmap(const wchar_t* path) {
    UniqueBitmap picture = LoadBitmapFile(path);
    if (!picture) return false;
    m_picture = std::move(picture);
    BITMAP size = {};
    ::GetObjectW(m_picture.get(), sizeof(size), &size);
    m_width = size.bmWidth;
    m_height = size.bmHeight;
    if (m_style & kCentreOnScreen) {
        m_x = (::GetSystemMetrics(SM_CXFULLSCREEN) - m_width) / 2;
        m_y = (::GetSystemMetrics(SM_CYFULLSCREEN) - m_height) / 2;
    } else if ((m_style & kCentreOnParent) && m_parent && m_parent->GetSafeHwnd()) {
        RECT parentArea;
        ::GetWindowRect(m_parent->GetSafeHwnd(), &parentArea);
        m_x = parentArea.left + (parentArea.right - parentArea.left - m_width) / 2;
        m_y = parentArea.top + (parentArea.bottom - parentArea.top - m_height) / 2;
    }
    if (m_hWnd) {
        UniqueRegion outline = RegionFromPicture(m_picture.get(), kSplashKeyColour);
        // The window owns the region once it is set.
        if (outline && ::SetWindowRgn(m_hWnd, outline.get(), TRUE)) outline.release();
    }
    return true;
}

void CSplashScreenEx::Show() {
    if (!m_hWnd) return;
    ::SetWindowPos(m_hWnd, nullptr, m_x, m_y, m_width, m_height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if ((m_style & kFadeIn) && m_animate)
        m_animate(m_hWnd, kFadeInMilliseconds, AW_BLEND);
    else
        ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    // The creator waits without dispatching messages, so the picture is painted
    // now or never (the blend animation draws it itself where the system has one).
    ::UpdateWindow(m_hWnd);
    if (m_displayTime) ::SetTimer(m_hWnd, kDisplayTimer, m_displayTime, nullptr);
}

void CSplashScreenEx::Hide(DWORD animation) {
    if ((m_style & kFadeOut) && m_animate)
        m_animate(m_hWnd, animation, AW_HIDE | AW_BLEND);
    else
        ::ShowWindow(m_hWnd, SW_HIDE);
}

void CSplashScreenEx::HideAndDestroy() {
    if (!m_hWnd) {
        delete this;
        return;
    }
    Hide(kFadeOutMilliseconds);
    ::DestroyWindow(m_hWnd);  // deletes this object
}

void CSplashScreenEx::Paint(HDC dc) {
    if (m_picture) {
        MemoryDc memory(dc);
        if (memory) {
            SelectObjectScope select(memory.get(), m_picture.get());
            ::BitBlt(dc, 0, 0, m_width, m_height, memory.get(), 0, 0, SRCCOPY);
        }
    }
    SelectObjectScope font(dc, m_font ? static_cast<HGDIOBJ>(m_font.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_textColour);
    RECT area = m_textArea;
    ::DrawTextW(dc, m_text, -1, &area, m_textFormat);
}

LRESULT CALLBACK CSplashScreenEx::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CSplashScreenEx*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<CSplashScreenEx*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = window;
    }
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        // A window that fails while it is being made leaves the object to its creator.
        if (self->m_created) delete self;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CSplashScreenEx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintScope paint(m_hWnd);
        Paint(paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_TIMER:
        if (wParam != kDisplayTimer) break;
        ::KillTimer(m_hWnd, kDisplayTimer);
        Hide(kFadeOutMilliseconds);
        ::DestroyWindow(m_hWnd);
        return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (!(m_style & kCloseOnInput)) break;
        Hide(kFadeOutMilliseconds);
        ::DestroyWindow(m_hWnd);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}
