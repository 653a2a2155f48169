#pragma once
// The outline of a picture as a window region: every pixel except those of the
// key colour (exact match), row by row in runs one pixel high.
#include <windows.h>

#include "framework/Handles.h"

constexpr COLORREF kSplashKeyColour = RGB(255, 0, 240);

// Empty when the picture cannot be read.
UniqueRegion RegionFromPicture(HBITMAP picture, COLORREF keyColour);
