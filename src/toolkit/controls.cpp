#include "toolkit/controls.h"
#include "runtime/strutil.h"
#include "toolkit/accessible.h"
#include "toolkit/gdi.h"
#include <algorithm>
#include <windowsx.h>

namespace tk {

namespace {

// Children of pages talk to the form: pass their notifications up.
bool IsForwarded(UINT msg) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        return true;
    default:
        return false;
    }
}

} // namespace

// --- TControl ----------------------------------------------------------------

void TControl::CreateWnd(const char* cls, HWND parent, int id, int x, int y, int w, int h,
                         const std::string& text, DWORD style, DWORD exStyle) {
    RegisterWindowClass({.name = cls, .style = CS_DBLCLKS});
    const RECT r = ScaleRect(x, y, w, h);
    CreateHandle(exStyle, cls, text.c_str(), WS_CHILD | style, r.left, r.top, r.right - r.left,
                 r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT TControl::Default(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETOBJECT)
        if (const LRESULT answer = AnswerGetObject(hwnd_, AccessibleRole(), wp, lp))
            return answer;
    return TWindow::Default(msg, wp, lp);
}

IAccessible* TControl::NewAccessibleObject() const {
    return NewAccessible(hwnd_, AccessibleRole());
}

LONG TLabel::AccessibleRole() const {
    return style_.link ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT;
}
LONG TBevel::AccessibleRole() const {
    return shape_ == Shape::bsFrame ? ROLE_SYSTEM_GROUPING : ROLE_SYSTEM_SEPARATOR;
}
LONG TImage::AccessibleRole() const {
    return ROLE_SYSTEM_GRAPHIC;
}
LONG TSpeedButton::AccessibleRole() const {
    return ROLE_SYSTEM_PUSHBUTTON;
}
LONG TTabSheet::AccessibleRole() const {
    return ROLE_SYSTEM_PROPERTYPAGE;
}
LONG TPageControl::AccessibleRole() const {
    return ROLE_SYSTEM_GROUPING;
}

bool TControl::Visible() const {
    return hwnd_ && (::GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE);
}

void TControl::SetVisible(bool visible) {
    if (visible != Visible())
        ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Enabled() const {
    return hwnd_ && ::IsWindowEnabled(hwnd_);
}

void TControl::SetEnabled(bool enabled) {
    ::EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TControl::Repaint() const {
    // A hidden control leaves a hole in its parent: paint that at once too.
    HWND parent = ::GetParent(hwnd_);
    if (!Visible() && parent) {
        RECT r;
        ::GetWindowRect(hwnd_, &r);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        ::RedrawWindow(parent, &r, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        return;
    }
    ::RedrawWindow(hwnd_, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

std::string TControl::Caption() const {
    return WindowText(hwnd_);
}

void TControl::SetCaption(const std::string& text) {
    ::SetWindowTextA(hwnd_, text.c_str());
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// --- TLabel ------------------------------------------------------------------

void TLabel::Create(HWND parent, int id, int x, int y, const std::string& text, Style style) {
    style_ = style;
    x96_ = x;
    y96_ = y;
    CreateWnd(kLabelClass, parent, id, x, y, style.fixedWidth > 0 ? style.fixedWidth : 1, 13, text,
              WS_VISIBLE | WS_CLIPSIBLINGS);
    // A label placed later lies above the earlier ones, so a label that starts
    // where another ends is never hidden under that one's right margin.
    ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    AutoSize();
}

void TLabel::SetFontStyle(FontStyle font) {
    style_.font = font;
    AutoSize();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TLabel::SetCaption(const std::string& text) {
    TControl::SetCaption(text);
    AutoSize();
}

void TLabel::AutoSize() {
    // As high as a line of its font: 13 pixels at 96 DPI, but a face that
    // grows faster than the DPI must not lose its lower edge.
    const int h = std::max(Scale(13), TextHeight(GetFont()));
    RECT rc{};
    ::GetClientRect(hwnd_, &rc);
    const int w = style_.fixedWidth > 0 ? rc.right : TextWidth(GetFont(), Caption());
    ::SetWindowPos(hwnd_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TLabel::Paint(HDC dc) {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    HWND parent = ::GetParent(hwnd_);
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    if (style_.transparent || !brush)
        PaintParentBackground(hwnd_, dc);
    else
        ::FillRect(dc, &rc, brush);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc,
                   style_.color == CLR_INVALID ? ::GetSysColor(COLOR_WINDOWTEXT) : style_.color);
    SelectGuard sel(dc, GetFont());
    const std::string text = Caption();
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc,
                DT_NOPREFIX | DT_SINGLELINE | DT_TOP | (style_.centred ? DT_CENTER : DT_LEFT));
}

LRESULT TLabel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETFONT: // as standard controls answer: lets tools measure the caption
        return reinterpret_cast<LRESULT>(GetFont());
    case WM_PAINT: {
        PaintDC dc(hwnd_);
        Paint(dc.get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (style_.link) {
            ::SetCursor(::LoadCursorA(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_LBUTTONUP:
    case BM_CLICK: // BM_CLICK: a screen reader's default action
        if (style_.link) {
            if (AcceptsInput(hwnd_) && Visible())
                ::SendMessageA(::GetParent(hwnd_), WM_COMMAND,
                               MAKEWPARAM(::GetDlgCtrlID(hwnd_), STN_CLICKED),
                               reinterpret_cast<LPARAM>(hwnd_));
            return 0;
        }
        break;
    case WM_NCHITTEST:
        return style_.link ? HTCLIENT : HTTRANSPARENT;
    }
    return Default(msg, wp, lp);
}

// --- TBevel ------------------------------------------------------------------

void TBevel::Create(HWND parent, int x, int y, int w, int h, Shape shape) {
    shape_ = shape;
    CreateWnd(kBevelClass, parent, 0, x, y, w, h, "", WS_VISIBLE | WS_DISABLED);
    // The window is only its lines: it never covers the controls inside the frame,
    // whatever the z-order.
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    HRGN rgn = nullptr;
    if (shape == Shape::bsFrame) {
        rgn = ::CreateRectRgn(0, 0, rc.right, rc.bottom);
        const UniqueHandle<GdiTraits<HRGN>> inner(
            ::CreateRectRgn(2, 2, rc.right - 2, rc.bottom - 2));
        ::CombineRgn(rgn, rgn, inner.get(), RGN_DIFF);
    } else if (shape == Shape::bsLeftLine) {
        rgn = ::CreateRectRgn(0, 0, 2, rc.bottom);
    } else {
        rgn = ::CreateRectRgn(0, 0, rc.right, 2);
    }
    ::SetWindowRgn(hwnd_, rgn, FALSE); // the window owns the region now
}

void TBevel::Paint(HDC dc, const RECT& rc) {
    if (shape_ == Shape::bsFrame) {
        RECT frame = rc;
        ::DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    } else if (shape_ == Shape::bsLeftLine) {
        RECT line{rc.left, rc.top, rc.left + 2, rc.bottom};
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
    } else {
        RECT line{rc.left, rc.top, rc.right, rc.top + 2};
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    }
}

// --- TImage ------------------------------------------------------------------

void TImage::CreateBitmap(HWND parent, int x, int y, int w, int h, int resourceId) {
    bitmap_ = LoadBitmapResource(resourceId);
    CreateWnd(kImageClass, parent, 0, x, y, w, h, "", WS_VISIBLE | WS_CLIPSIBLINGS);
}

void TImage::CreateIcon(HWND parent, int x, int y, int w, int h, int resourceId) {
    icon_.reset(
        static_cast<HICON>(::LoadImageA(Instance(), MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                        Scale(32), Scale(32), LR_DEFAULTCOLOR)));
    CreateWnd(kImageClass, parent, 0, x, y, w, h, "", WS_VISIBLE | WS_CLIPSIBLINGS);
}

void TImage::Paint(HDC dc, const RECT& rc) {
    if (icon_) {
        ::DrawIconEx(dc, 0, 0, icon_.get(), rc.right, rc.bottom, 0, nullptr, DI_NORMAL);
    } else if (bitmap_) {
        const SIZE s = BitmapSize(bitmap_.get());
        MemoryDC mem(dc, bitmap_.get());
        ::SetStretchBltMode(dc, HALFTONE);
        ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, s.cx, s.cy, SRCCOPY);
    }
}

// --- TGraphicControl -----------------------------------------------------------

LRESULT TGraphicControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC dc(hwnd_);
        RECT rc;
        ::GetClientRect(hwnd_, &rc);
        PaintParentBackground(hwnd_, dc.get());
        Paint(dc.get(), rc);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT; // clicks go to what lies beneath
    }
    return Default(msg, wp, lp);
}

// --- TSpeedButton --------------------------------------------------------------

void TSpeedButton::Create(HWND parent, int id, int x, int y, int w, int h,
                          const std::string& caption, int glyphResource, GlyphPos pos,
                          FontStyle font) {
    pos_ = pos;
    font_ = font;
    if (glyphResource)
        glyph_ = LoadBitmapResource(glyphResource);
    CreateWnd(kSpeedButtonClass, parent, id, x, y, w, h, caption, WS_CLIPSIBLINGS);
}

char TSpeedButton::AccelChar() const {
    return rt::AccelChar(Caption());
}

bool TSpeedButton::ClickIfActive() {
    // A click posted while a modal box disables the window (BM_CLICK from a
    // screen reader or another program) is not the user's.
    if (!Visible() || !AcceptsInput(hwnd_))
        return false;
    Click();
    return true;
}

void TSpeedButton::Click() {
    ::SendMessageA(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd_), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd_));
}

void TSpeedButton::Paint(HDC dc) {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    PaintParentBackground(hwnd_, dc);
    const bool enabled = Enabled();
    if (enabled && (down_ && hot_))
        ::DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
    else if (enabled && hot_)
        ::DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);

    const std::string caption = Caption();
    HFONT font = UiFont(font_);
    SelectGuard sel(dc, font);
    RECT textRc{0, 0, 0, 0};
    ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &textRc,
                DT_CALCRECT | DT_SINGLELINE);
    const SIZE glyph = glyph_ ? BitmapSize(glyph_.get()) : SIZE{0, 0};
    const int gw = glyph_ ? Scale(glyph.cx) : 0, gh = glyph_ ? Scale(glyph.cy) : 0;
    const int spacing = glyph_ ? Scale(4) : 0;
    const int totalW = textRc.right + gw + spacing;
    const int offset = (down_ && hot_) ? 1 : 0;
    int x = (rc.right - totalW) / 2 + offset;
    const int cy = rc.bottom / 2 + offset;
    int textX = x;
    if (glyph_ && pos_ == GlyphPos::Left) {
        DrawTransparent(dc, glyph_.get(), x, cy - gh / 2, gw, gh, RGB(255, 255, 255));
        textX = x + gw + spacing;
    } else if (glyph_ && pos_ == GlyphPos::Right) {
        DrawTransparent(dc, glyph_.get(), x + textRc.right + spacing, cy - gh / 2, gw, gh,
                        RGB(255, 255, 255));
    }
    RECT tr{textX, cy - textRc.bottom / 2, textX + textRc.right,
            cy - textRc.bottom / 2 + textRc.bottom};
    ::SetBkMode(dc, TRANSPARENT);
    if (enabled) {
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &tr, DT_SINGLELINE);
    } else {
        // Engraved look of a disabled caption.
        RECT hl = tr;
        ::OffsetRect(&hl, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &hl, DT_SINGLELINE);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
        ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &tr, DT_SINGLELINE);
    }
}

void TSpeedButton::OnMouseMove(POINT pt) {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    const bool hot = ::PtInRect(&rc, pt) != FALSE;
    if (hot != hot_) {
        hot_ = hot;
        ::InvalidateRect(hwnd_, nullptr, FALSE);
    }
    if (!tracking_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
        tracking_ = ::TrackMouseEvent(&tme) != FALSE;
    }
}

LRESULT TSpeedButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(UiFont(font_));
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC dc(hwnd_);
        // Paint off-screen so the flat face does not flicker.
        RECT rc;
        ::GetClientRect(hwnd_, &rc);
        MemoryDC mem(dc.get(), rc.right, rc.bottom);
        Paint(mem.get());
        ::BitBlt(dc.get(), 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
        return 0;
    }
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (hot_) {
            hot_ = false;
            ::InvalidateRect(hwnd_, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        down_ = true;
        hot_ = true;
        ::SetCapture(hwnd_);
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        const bool click = down_ && hot_;
        down_ = false;
        ::ReleaseCapture();
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        if (click)
            ClickIfActive();
        return 0;
    }
    case WM_CAPTURECHANGED:
        down_ = false;
        return 0;
    case WM_ENABLE:
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case BM_CLICK: // from a screen reader
        ClickIfActive();
        return 0;
    }
    return Default(msg, wp, lp);
}

// --- TTabSheet -----------------------------------------------------------------

void TTabSheet::Create(HWND parent, int x, int y, int w, int h, const std::string& caption) {
    CreateWnd(kPageClass, parent, 0, x, y, w, h, caption, WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
              WS_EX_CONTROLPARENT);
}

void TPageControl::Create(HWND parent, int x, int y, int w, int h) {
    CreateWnd(kPageControlClass, parent, 0, x, y, w, h, "",
              WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

LRESULT TTabSheet::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (IsForwarded(msg))
        return ::SendMessageA(::GetParent(hwnd_), msg, wp, lp);
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        ::GetClientRect(hwnd_, &rc);
        HDC dc = reinterpret_cast<HDC>(wp);
        auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(::GetParent(hwnd_), WM_CTLCOLORSTATIC,
                                                             wp, reinterpret_cast<LPARAM>(hwnd_)));
        ::FillRect(dc, &rc, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    return Default(msg, wp, lp);
}

bool ClickByAccel(std::span<TSpeedButton> buttons, char ch) {
    const char key = rt::UpperAZ(ch);
    for (TSpeedButton& b : buttons)
        if (b.AccelChar() == key && b.Visible() && b.Enabled()) {
            b.ClickIfActive();
            return true;
        }
    return false;
}

} // namespace tk
