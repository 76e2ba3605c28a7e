#include "toolkit/window.h"
#include "toolkit/app.h"
#include "toolkit/session.h"

namespace tk {

namespace {
constexpr ULONG_PTR kDialogClassAtom = 32770; // WC_DIALOG, "#32770"
} // namespace

TWindow::~TWindow() {
    if (hwnd_) {
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

void TWindow::RegisterWindowClass(const ClassInfo& info) {
    WNDCLASSA wc{};
    if (::GetClassInfoA(Instance(), info.name, &wc))
        return;
    wc.style = info.style;
    wc.lpfnWndProc = &TWindow::StaticWndProc;
    wc.hInstance = Instance();
    wc.hIcon = info.icon;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = info.background;
    wc.lpszClassName = info.name;
    ::RegisterClassA(&wc);
}

HWND TWindow::CreateHandle(DWORD exStyle, const char* cls, const char* text, DWORD style, int x,
                           int y, int w, int h, HWND parent, HMENU menu) {
    return ::CreateWindowExA(exStyle, cls, text, style, x, y, w, h, parent, menu, Instance(), this);
}

void TWindow::DestroyHandle() {
    if (hwnd_)
        ::DestroyWindow(hwnd_);
}

LRESULT TWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    return Default(msg, wp, lp);
}

LRESULT TWindow::Default(UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcA(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK TWindow::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<TWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        const LRESULT result = ::DefWindowProcA(hwnd, msg, wp, lp);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return result;
    }
    if (msg == WM_QUERYENDSESSION && SessionEndBlock::Active())
        return FALSE;
    return Barrier(
        [&] {
            if (msg == WM_DRAWITEM && wp != 0) {
                const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
                if (OwnerDrawn* control = OwnerDrawn::Of(dis.hwndItem)) {
                    control->Draw(dis);
                    return LRESULT{TRUE};
                }
            }
            return self->WndProc(msg, wp, lp);
        },
        LRESULT{0});
}

namespace {
constexpr const char* kOwnerDrawnProp = "tk.OwnerDrawn";
} // namespace

OwnerDrawn::~OwnerDrawn() {
    if (bound_ && ::IsWindow(bound_))
        ::RemovePropA(bound_, kOwnerDrawnProp);
}

OwnerDrawn* OwnerDrawn::Of(HWND control) {
    return control ? static_cast<OwnerDrawn*>(::GetPropA(control, kOwnerDrawnProp)) : nullptr;
}

void OwnerDrawn::BindOwnerDrawn(HWND control) {
    if (bound_ && ::IsWindow(bound_))
        ::RemovePropA(bound_, kOwnerDrawnProp);
    bound_ = control;
    if (control)
        ::SetPropA(control, kOwnerDrawnProp, this);
}

void RunModal(HWND window, bool (*done)(void* context), void* context) {
    // The system announces the dialog boxes of its own class only; a window of
    // our own class announces itself.
    struct Announce {
        HWND window;
        bool own;
        void Send(DWORD event) const {
            if (own)
                ::NotifyWinEvent(event, window, OBJID_WINDOW, CHILDID_SELF);
        }
        ~Announce() { Send(EVENT_SYSTEM_DIALOGEND); }
    } announce{window, ::GetClassLongPtrA(window, GCW_ATOM) != kDialogClassAtom};
    announce.Send(EVENT_SYSTEM_DIALOGSTART);
    MSG msg;
    while (!done(context)) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: leave the quit request for the outer loop.
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!::IsDialogMessageA(window, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

bool FocusKeeper::OnActivate(HWND window, WPARAM wp) {
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(window, focus))
            saved_ = focus;
        return true;
    }
    if (HIWORD(wp)) // minimised: no focus to give
        return false;
    HWND target = saved_;
    if (!target || !::IsChild(window, target) || !::IsWindowVisible(target) ||
        !::IsWindowEnabled(target))
        target = ::GetNextDlgTabItem(window, nullptr, FALSE);
    if (!target || !::IsChild(window, target))
        target = window;
    ::SetFocus(target);
    return true;
}

bool AcceptsInput(HWND control) {
    return control && ::IsWindowEnabled(control) &&
           ::IsWindowEnabled(::GetAncestor(control, GA_ROOT));
}

void ShowPaintingLater(HWND window) {
    // With SWP_NOREDRAW the caller invalidates what is to be drawn.
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOREDRAW);
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

std::string WindowText(HWND hwnd) {
    const int n = ::GetWindowTextLengthA(hwnd);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    const int got = ::GetWindowTextA(hwnd, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return s;
}

} // namespace tk
