#pragma once
// A borderless top-most popup that shows a picture shaped to its outline (key
// colour RGB(255,0,240) is cut out), optionally with a text line, fading in and
// out where the system can animate windows. It lives on the heap and deletes
// itself when its window is destroyed.
#include "framework/Afx.h"

class CSplashScreenEx {
public:
    enum Style : DWORD {
        kFadeIn = 0x01,
        kFadeOut = 0x02,
        kDropShadow = 0x04,
        kCentreOnScreen = 0x08,
        kCentreOnParent = 0x10,
        kCloseOnInput = 0x20,
    };

    // The main page's start-up picture: shown for `milliseconds` on this thread
    // without dispatching messages, then faded out and destroyed.
    static void ShowAtStartup(CWnd* parent, const wchar_t* picturePath, DWORD milliseconds);

    CSplashScreenEx();
    CSplashScreenEx(const CSplashScreenEx&) = delete;
    CSplashScreenEx& operator=(const CSplashScreenEx&) = delete;

    bool Create(CWnd* parent, const wchar_t* text = L"", DWORD displayTime = 2000,
                DWORD style = kFadeIn | kFadeOut | kDropShadow | kCentreOnScreen);
    // False when the file cannot be loaded; nothing changes then.
    bool SetBitmap(const wchar_t* path);
    void Show();
    // Fades out (or hides) and destroys the window; the object goes with it.
    // An object whose window was never made is deleted here too.
    void HideAndDestroy();

    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    using AnimateFn = BOOL(WINAPI*)(HWND, DWORD, DWORD);

    ~CSplashScreenEx() = default;  // only through its window's end
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    void Hide(DWORD animation);

    HWND m_hWnd = nullptr;
    bool m_created = false;  // CreateWindowEx returned: from then on the window's end deletes the object
    AnimateFn m_animate = nullptr;
    CWnd* m_parent = nullptr;  // not owned
    UniqueBitmap m_picture;
    UniqueFont m_font;
    CString m_text;
    RECT m_textArea = {0, 0, 0, 0};
    COLORREF m_textColour = 0;
    UINT m_textFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    DWORD m_displayTime = 2000;
    DWORD m_style = 0;
    int m_x = 0, m_y = 0, m_width = 0, m_height = 0;
};
