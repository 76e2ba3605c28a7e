// wdrive_fit.dll: a window-procedure hook that wdrive installs into the
// thread of a program's window. On wdrive's registered message it measures,
// inside that program and so in each control's own font, the text of every
// visible label, check box and button below the window, and writes the
// extents into wdrive's shared block. Measuring from outside is impossible:
// a font handle means nothing in another process.
#include "fit.h"

#include <string>
#include <vector>

namespace {

struct Measure {
    UINT format = 0;    // DrawText format (DT_CALCRECT added)
    int extraW = 0;     // room the control takes beside the text (check mark, borders)
    bool wrap = false;  // text wraps at the client width
    bool needsOwnFont = false; // a class of our own: no WM_GETFONT answer means unknown
};

// How the control lays out its text, or false for controls without one to check.
bool HowMeasured(HWND h, HDC dc, Measure& m) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    const LONG style = GetWindowLongW(h, GWL_STYLE);
    if (_wcsicmp(cls, L"Static") == 0) {
        // Ellipsis styles shorten on purpose.
        if (style & SS_ELLIPSISMASK)
            return false;
        switch (style & SS_TYPEMASK) {
        case SS_LEFT:
        case SS_CENTER:
        case SS_RIGHT: m.format = DT_WORDBREAK | DT_EXPANDTABS; m.wrap = true; break;
        case SS_LEFTNOWORDWRAP: m.format = DT_EXPANDTABS; break;
        case SS_SIMPLE: m.format = DT_SINGLELINE; break;
        default: return false; // pictures, frames
        }
        if (style & SS_NOPREFIX)
            m.format |= DT_NOPREFIX;
        return true;
    }
    if (_wcsicmp(cls, L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        m.wrap = (style & BS_MULTILINE) != 0;
        m.format = m.wrap ? DT_WORDBREAK : DT_SINGLELINE;
        switch (type) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            m.extraW = 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
            return true;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: {
            // The box, then a gap of half an average character before the text.
            TEXTMETRICW tm{};
            GetTextMetricsW(dc, &tm);
            m.extraW = GetSystemMetrics(SM_CXMENUCHECK) + tm.tmAveCharWidth / 2;
            return true;
        }
        default: return false; // group boxes, owner-drawn
        }
    }
    // The window layer's own single-line label and flat button.
    if (wcscmp(cls, L"TLabel") == 0) {
        m.format = DT_SINGLELINE | DT_NOPREFIX;
        m.needsOwnFont = true;
        return true;
    }
    if (wcscmp(cls, L"TSpeedButton") == 0) {
        m.format = DT_SINGLELINE;
        m.needsOwnFont = true;
        return true;
    }
    return false;
}

// Controls placed later lie above the earlier ones and paint over what they
// cover: a text has room only up to the left edge of a visible sibling with a
// text of its own that starts inside it (how a wider font cuts a caption).
int UncoveredWidth(HWND h, int clientWidth) {
    RECT r{};
    GetWindowRect(h, &r);
    int width = clientWidth;
    for (HWND s = GetWindow(h, GW_HWNDPREV); s; s = GetWindow(s, GW_HWNDPREV)) {
        if (!IsWindowVisible(s) || GetWindowTextLengthW(s) <= 0)
            continue;
        RECT o{};
        GetWindowRect(s, &o);
        if (o.top >= r.bottom || o.bottom <= r.top)
            continue;
        if (o.left > r.left && o.left < r.left + width)
            width = o.left - r.left;
    }
    return width;
}

struct Walk {
    wd::FitBlock* block;
};

BOOL CALLBACK MeasureOne(HWND h, LPARAM lp) {
    auto& block = *reinterpret_cast<Walk*>(lp)->block;
    if (!IsWindowVisible(h) || block.count >= static_cast<int>(std::size(block.entries)))
        return TRUE;
    const int len = GetWindowTextLengthW(h);
    if (len <= 0)
        return TRUE;
    std::vector<wchar_t> text(len + 1);
    GetWindowTextW(h, text.data(), len + 1);
    HDC dc = GetDC(h);
    if (!dc)
        return TRUE;
    auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    Measure m;
    if (HowMeasured(h, dc, m)) {
        if (!font && m.needsOwnFont) {
            ++block.unmeasured;
        } else {
            RECT client{};
            GetClientRect(h, &client);
            RECT r{0, 0, m.wrap ? client.right - m.extraW : 0, 0};
            DrawTextW(dc, text.data(), -1, &r, m.format | DT_CALCRECT);
            block.entries[block.count++] = {reinterpret_cast<intptr_t>(h), r.right + m.extraW,
                                            r.bottom, UncoveredWidth(h, client.right),
                                            client.bottom};
        }
    }
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return TRUE;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK FitHook(int code, WPARAM wp, LPARAM lp) {
    static const UINT fitMessage = RegisterWindowMessageW(wd::kFitMessage);
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call && call->message == fitMessage) {
        const std::wstring name = wd::kFitBlockPrefix + std::to_wstring(call->wParam);
        if (HANDLE map = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str())) {
            if (auto* block = static_cast<wd::FitBlock*>(
                    MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(wd::FitBlock)))) {
                Walk walk{block};
                EnumChildWindows(call->hwnd, MeasureOne, reinterpret_cast<LPARAM>(&walk));
                InterlockedExchange(&block->done, 1);
                UnmapViewOfFile(block);
            }
            CloseHandle(map);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
