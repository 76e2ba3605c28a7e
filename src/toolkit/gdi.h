#pragma once
// Drawing helpers: text measuring, path shortening in a font, bitmaps.
#include "toolkit/handles.h"
#include <string>
#include <windows.h>

namespace tk {

// Width in pixels of a text drawn in a font (no accelerator processing).
int TextWidth(HFONT font, const std::string& text);

// Shortens a path with "...\" until it fits maxWidth96 (96-DPI pixels, scaled) in the font.
std::string ShortenPath(const std::string& path, HFONT font, int maxWidth96);

// A bitmap resource as a DIB section (colours kept as drawn), or null.
Bitmap LoadBitmapResource(int id);
SIZE BitmapSize(HBITMAP bmp);

// Draw a bitmap with one colour transparent; CLR_INVALID means the colour of
// its bottom-left pixel. Scales from w,h of the bitmap to dw,dh.
void DrawTransparent(HDC dc, HBITMAP bmp, int x, int y, int dw, int dh,
                     COLORREF transparent = CLR_INVALID);

// Paint the parent's background behind a child window into the child's DC.
void PaintParentBackground(HWND child, HDC dc);

inline constexpr COLORREF clNavy = RGB(0, 0, 128);
inline constexpr COLORREF clBlack = RGB(0, 0, 0);

} // namespace tk
