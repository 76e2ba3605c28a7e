#include "shell/buttons.h"

#include "toolkit/app.h"
#include "toolkit/handles.h"

#include <algorithm>

namespace {

HWND CreateButton(HWND parent, int id, int x, int y, int w, int h, const std::string& caption,
                  DWORD style) {
    HWND hwnd = ::CreateWindowExA(0, "BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | style,
                                  tk::Scale(x), tk::Scale(y), tk::Scale(w), tk::Scale(h), parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), tk::Instance(),
                                  nullptr);
    if (hwnd)
        ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(tk::UiFont()), FALSE);
    return hwnd;
}

constexpr int kGlyphSize = 16;
constexpr int kGlyphSpacing = 4;

// The glyphs, drawn on a 16 x 16 grid at (x, y), scaled to the DPI.
void DrawGlyph(HDC dc, TBitBtn::Kind kind, int x, int y, bool enabled) {
    const int s = tk::Scale(1);
    auto pt = [&](int gx, int gy) { return POINT{x + gx * s, y + gy * s}; };
    if (kind == TBitBtn::Kind::bkOK) {
        tk::Pen pen(
            ::CreatePen(PS_SOLID, 2 * s, enabled ? RGB(0, 128, 0) : ::GetSysColor(COLOR_GRAYTEXT)));
        tk::SelectGuard sel(dc, pen.get());
        const POINT tick[] = {pt(3, 8), pt(6, 11), pt(13, 4)};
        ::Polyline(dc, tick, 3);
    } else {
        tk::Pen pen(
            ::CreatePen(PS_SOLID, 2 * s, enabled ? RGB(192, 0, 0) : ::GetSysColor(COLOR_GRAYTEXT)));
        tk::SelectGuard sel(dc, pen.get());
        const POINT a[] = {pt(4, 4), pt(12, 12)};
        const POINT b[] = {pt(12, 4), pt(4, 12)};
        ::Polyline(dc, a, 2);
        ::Polyline(dc, b, 2);
    }
}

} // namespace

void TCheckBox::Create(HWND parent, int id, int x, int y, int w, int h, const std::string& caption,
                       DWORD extraStyle) {
    hwnd_ =
        CreateButton(parent, id, x, y, w, h, caption, BS_AUTOCHECKBOX | WS_TABSTOP | extraStyle);
}

bool TCheckBox::Checked() const {
    return hwnd_ && ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
    if (hwnd_)
        ::SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TBitBtn::Create(HWND parent, int id, int x, int y, int w, int h, const std::string& caption,
                     Kind kind) {
    kind_ = kind;
    // BS_NOTIFY: the form repaints both buttons when the focus moves, so the
    // default frame follows the button that Enter would press.
    hwnd_ = CreateButton(parent, id, x, y, w, h, caption, BS_OWNERDRAW | BS_NOTIFY | WS_TABSTOP);
    BindOwnerDrawn(hwnd_);
}

void TBitBtn::Draw(const DRAWITEMSTRUCT& dis) {
    const LRESULT def = ::SendMessageA(::GetParent(hwnd_), DM_GETDEFID, 0, 0);
    DrawFace(dis, HIWORD(def) == DC_HASDEFID && LOWORD(def) == dis.CtlID);
}

void TBitBtn::DrawFace(const DRAWITEMSTRUCT& dis, bool isDefault) const {
    HDC dc = dis.hDC;
    RECT rc = dis.rcItem;
    const bool pushed = (dis.itemState & ODS_SELECTED) != 0;
    const bool enabled = (dis.itemState & ODS_DISABLED) == 0;

    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    if (isDefault) {
        ::FrameRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::InflateRect(&rc, -1, -1);
    }
    ::DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

    char text[128] = {};
    ::GetWindowTextA(hwnd_, text, sizeof text);
    tk::SelectGuard font(dc, tk::UiFont());
    const UINT prefix = (dis.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    RECT measure{0, 0, 0, 0};
    ::DrawTextA(dc, text, -1, &measure, DT_SINGLELINE | DT_CALCRECT | prefix);

    // Glyph left of the caption, the two centred together.
    const int glyph = tk::Scale(kGlyphSize);
    const int spacing = tk::Scale(kGlyphSpacing);
    const int contentWidth = glyph + spacing + (measure.right - measure.left);
    const int shift = pushed ? 1 : 0;
    const int left = rc.left + std::max(0, int(rc.right - rc.left - contentWidth) / 2) + shift;
    const int middle = (rc.top + rc.bottom) / 2 + shift;
    DrawGlyph(dc, kind_, left, middle - glyph / 2, enabled);

    RECT textRect{left + glyph + spacing, rc.top + shift, rc.right, rc.bottom + shift};
    ::SetBkMode(dc, TRANSPARENT);
    if (enabled) {
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        ::DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    } else {
        // Etched look of a disabled caption.
        RECT hi = textRect;
        ::OffsetRect(&hi, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextA(dc, text, -1, &hi, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
        ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        ::DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    }

    if ((dis.itemState & ODS_FOCUS) && !(dis.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = rc;
        ::InflateRect(&focus, -tk::Scale(4), -tk::Scale(4));
        ::DrawFocusRect(dc, &focus);
    }
}
