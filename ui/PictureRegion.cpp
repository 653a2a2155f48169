#include "PictureRegion.h"

#include <vector>

UniqueRegion RegionFromPicture(HBITMAP picture, COLORREF keyColour) {
    BITMAP size = {};
    if (!picture || !::GetObjectW(picture, sizeof(size), &size)) return UniqueRegion();
    int width = size.bmWidth;
    int height = size.bmHeight;

    // The rows are read at once as 32-bit pixels, top row first.
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    WindowDcScope screen(nullptr);
    if (::GetDIBits(screen.get(), picture, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS) !=
        height)
        return UniqueRegion();

    DWORD key = (static_cast<DWORD>(GetRValue(keyColour)) << 16) | (static_cast<DWORD>(GetGValue(keyColour)) << 8) |
                GetBValue(keyColour);
    UniqueRegion outline(::CreateRectRgn(0, 0, 0, 0));
    for (int y = 0; y < height; ++y) {
        const DWORD* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & 0xFFFFFF) == key) ++x;
            int start = x;
            while (x < width && (row[x] & 0xFFFFFF) != key) ++x;
            if (x > start) {
                UniqueRegion run(::CreateRectRgn(start, y, x, y + 1));
                ::CombineRgn(outline.get(), outline.get(), run.get(), RGN_OR);
            }
        }
    }
    return outline;
}
