#include "toolkit/gdi.h"
#include "runtime/shorten_path.h"
#include "toolkit/app.h"

namespace tk {

PaintDC::PaintDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {
    ++LiveGdiObjects();
}
PaintDC::~PaintDC() {
    ::EndPaint(hwnd_, &ps_);
    --LiveGdiObjects();
}

WindowDC::WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {
    if (dc_)
        ++LiveGdiObjects();
}
WindowDC::~WindowDC() {
    if (dc_) {
        ::ReleaseDC(hwnd_, dc_);
        --LiveGdiObjects();
    }
}

MemoryDC::MemoryDC(HDC dc, HBITMAP bitmap) noexcept : dc_(::CreateCompatibleDC(dc)) {
    if (dc_ && bitmap)
        old_ = ::SelectObject(dc_.get(), bitmap);
}
MemoryDC::MemoryDC(HDC dc, int w, int h) noexcept
    : own_(::CreateCompatibleBitmap(dc, w, h)), dc_(::CreateCompatibleDC(dc)) {
    if (dc_ && own_)
        old_ = ::SelectObject(dc_.get(), own_.get());
}
MemoryDC::~MemoryDC() {
    if (old_)
        ::SelectObject(dc_.get(), old_);
}

int TextWidth(HFONT font, const std::string& text) {
    WindowDC dc(nullptr);
    SelectGuard sel(dc.get(), font);
    // Measured the way labels draw, so a label sized by it never clips its text.
    RECT rc{0, 0, 0, 0};
    ::DrawTextA(dc.get(), text.data(), static_cast<int>(text.size()), &rc,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return rc.right - rc.left;
}

int TextHeight(HFONT font) {
    WindowDC dc(nullptr);
    SelectGuard sel(dc.get(), font);
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc.get(), &tm);
    return tm.tmHeight;
}

std::string ShortenPath(const std::string& path, HFONT font, int maxWidth96) {
    return rt::ShortenPath(path, Scale(maxWidth96),
                           [font](const std::string& s) { return TextWidth(font, s); });
}

Bitmap LoadBitmapResource(int id) {
    return Bitmap(static_cast<HBITMAP>(
        ::LoadImageA(Instance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

SIZE BitmapSize(HBITMAP bmp) {
    BITMAP bm{};
    if (!bmp || !::GetObjectA(bmp, sizeof bm, &bm))
        return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

void DrawTransparent(HDC dc, HBITMAP bmp, int x, int y, int dw, int dh, COLORREF transparent) {
    if (!bmp)
        return;
    const SIZE size = BitmapSize(bmp);
    MemoryDC mem(dc, bmp);
    if (transparent == CLR_INVALID)
        transparent = ::GetPixel(mem.get(), 0, size.cy - 1);
    ::GdiTransparentBlt(dc, x, y, dw, dh, mem.get(), 0, 0, size.cx, size.cy, transparent);
}

void PaintParentBackground(HWND child, HDC dc) {
    HWND parent = ::GetParent(child);
    if (!parent)
        return;
    POINT pt{0, 0};
    ::MapWindowPoints(child, parent, &pt, 1);
    POINT old{};
    ::OffsetViewportOrgEx(dc, -pt.x, -pt.y, &old);
    ::SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void PaintBackground(HWND hwnd, HDC dc, HBITMAP bitmap) {
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    if (!bitmap) {
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    const SIZE s = BitmapSize(bitmap);
    MemoryDC mem(dc, bitmap);
    if (s.cx == rc.right && s.cy == rc.bottom) {
        ::BitBlt(dc, 0, 0, s.cx, s.cy, mem.get(), 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(dc, HALFTONE);
        ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, s.cx, s.cy, SRCCOPY);
    }
}

} // namespace tk
