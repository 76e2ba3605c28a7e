#pragma once
// Drawing helpers: text measuring, path shortening in a font, bitmaps.
#include "toolkit/handles.h"
#include <string>
#include <windows.h>

namespace tk {

// The DC of a WM_PAINT: BeginPaint here, EndPaint on scope exit.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) noexcept;
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A window's DC (the screen's for null), released on scope exit.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept;
    ~WindowDC();
    WindowDC(WindowDC&& o) noexcept : hwnd_(o.hwnd_), dc_(std::exchange(o.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory DC compatible with `dc`, with `bitmap` selected into it while it
// lives; or with a bitmap of its own of w x h pixels.
class MemoryDC {
public:
    MemoryDC(HDC dc, HBITMAP bitmap) noexcept;
    MemoryDC(HDC dc, int w, int h) noexcept;
    ~MemoryDC();
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const noexcept { return dc_.get(); }

private:
    Bitmap own_; // destroyed after the DC that had it selected
    MemoryDCHandle dc_;
    HGDIOBJ old_ = nullptr;
};

// Width in pixels of a text drawn in a font (no accelerator processing).
int TextWidth(HFONT font, const std::string& text);
// Height in pixels of a line of text in a font.
int TextHeight(HFONT font);

// Shortens a path with "...\" until it fits maxWidth96 (96-DPI pixels, scaled) in the font.
std::string ShortenPath(const std::string& path, HFONT font, int maxWidth96);

// A bitmap resource as a DIB section (colours kept as drawn), or null.
Bitmap LoadBitmapResource(int id);
SIZE BitmapSize(HBITMAP bmp);
// Fills a window's client area with a bitmap, stretched (halftone) where the
// sizes differ (another DPI); the face colour when there is no bitmap.
void PaintBackground(HWND hwnd, HDC dc, HBITMAP bitmap);

// Draw a bitmap with one colour transparent; CLR_INVALID means the colour of
// its bottom-left pixel. Scales from w,h of the bitmap to dw,dh.
void DrawTransparent(HDC dc, HBITMAP bmp, int x, int y, int dw, int dh,
                     COLORREF transparent = CLR_INVALID);

// Paint the parent's background behind a child window into the child's DC.
void PaintParentBackground(HWND child, HDC dc);

inline constexpr COLORREF clNavy = RGB(0, 0, 128);
inline constexpr COLORREF clBlack = RGB(0, 0, 0);

} // namespace tk
