#include "Skin.h"

#include "wizard/WizardGlobals.h"

UniqueBitmap LoadBitmapFile(const wchar_t* path) {
    return UniqueBitmap(static_cast<HBITMAP>(::LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
}

UniqueBitmap LoadSkinBitmap(const wchar_t* fileName) {
    CString path = g_programFolder;
    path += fileName;
    return LoadBitmapFile(path);
}

bool PaintSkin(HDC dc, HBITMAP skin) {
    if (!skin) return false;
    BITMAP size = {};
    if (!::GetObjectW(skin, sizeof(size), &size)) return false;
    MemoryDc memory(dc);
    if (!memory) return false;
    HGDIOBJ previous = ::SelectObject(memory.get(), skin);
    if (!previous) return false;
    ::BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory.get(), 0, 0, SRCCOPY);
    ::SelectObject(memory.get(), previous);
    return true;
}

bool IsEditControl(HWND control) {
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    return ::lstrcmpiW(className, L"Edit") == 0;
}

bool ApplySkinColourRule(UINT message, HDC dc, HWND control, LRESULT& brush) {
    if (message != WM_CTLCOLORSTATIC && message != WM_CTLCOLORBTN) return false;
    if (IsEditControl(control)) return false;
    ::SetBkMode(dc, TRANSPARENT);
    brush = reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
    return true;
}

bool SkinUnderEdit(UINT message, HDC dc, HWND control, HWND dialog, HBRUSH skinBrush, LRESULT& brush) {
    if (message != WM_CTLCOLORSTATIC || !skinBrush || !IsEditControl(control)) return false;
    POINT origin = {0, 0};
    ::MapWindowPoints(control, dialog, &origin, 1);
    ::SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    brush = reinterpret_cast<LRESULT>(skinBrush);
    return true;
}
