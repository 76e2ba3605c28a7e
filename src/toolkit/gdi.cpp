#include "toolkit/gdi.h"
#include "runtime/shortenpath.h"
#include "toolkit/app.h"

namespace tk {

int TextWidth(HFONT font, const std::string& text) {
    HDC dc = ::GetDC(nullptr);
    int width = 0;
    {
        SelectGuard sel(dc, font);
        // Measured the way labels draw, so a label sized by it never clips its text.
        RECT rc{0, 0, 0, 0};
        ::DrawTextA(dc, text.data(), static_cast<int>(text.size()), &rc,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        width = rc.right - rc.left;
    }
    ::ReleaseDC(nullptr, dc);
    return width;
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
    HDC mem = ::CreateCompatibleDC(dc);
    {
        SelectGuard sel(mem, bmp);
        if (transparent == CLR_INVALID)
            transparent = ::GetPixel(mem, 0, size.cy - 1);
        ::TransparentBlt(dc, x, y, dw, dh, mem, 0, 0, size.cx, size.cy, transparent);
    }
    ::DeleteDC(mem);
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

} // namespace tk
