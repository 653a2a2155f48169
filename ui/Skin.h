#pragma once
// The wizard's skin: a picture from the program folder painted as a dialog's
// background, and the colour rule that lets texts lie on it. Without the
// picture every dialog keeps the system colours, so it stays usable and readable.
#include <windows.h>

#include "framework/Afx.h"

// The pictures that ship beside the program.
constexpr wchar_t kPageSkinFile[] = L"\\Korvane-Exchange.bmp";  // the five wizard pages
constexpr wchar_t kSmallSkinFile[] = L"\\Skin2.bmp";            // progress, View Log, About
constexpr wchar_t kSplashPictureFile[] = L"\\Flash.bmp";

// Loads a bitmap file at its natural size; empty when it is missing or unreadable.
UniqueBitmap LoadBitmapFile(const wchar_t* path);
// The program folder's picture of that name ("\Skin2.bmp").
UniqueBitmap LoadSkinBitmap(const wchar_t* fileName);

// Copies the picture to the top left corner of `dc`, neither stretched nor
// tiled. False when there is no picture or it cannot be drawn: the caller then
// lets the system erase the background.
bool PaintSkin(HDC dc, HBITMAP skin);

// The colour rule for a skinned dialog's WM_CTLCOLOR* messages: static texts,
// check boxes, group boxes and buttons lie transparently on the picture. False
// for every other kind, which keeps the system's colours, and for a read-only
// or disabled edit box, which asks as a static: see SkinUnderEdit.
bool ApplySkinColourRule(UINT message, HDC dc, HWND control, LRESULT& brush);

// A read-only or disabled edit box's colour request (WM_CTLCOLORSTATIC): its
// text lies on the picture too, but an edit box repaints itself without its
// parent (a selection, a scroll), so a hollow brush would leave the old pixels
// behind. It gets the picture as its brush instead, aligned so that it paints
// exactly what lies under it. False for other controls or without a picture.
bool SkinUnderEdit(UINT message, HDC dc, HWND control, HWND dialog, HBRUSH skinBrush, LRESULT& brush);
bool IsEditControl(HWND control);
