#pragma once
// Watches the top-level windows of one class as the program shows and hides
// them: notes "show" and "hide" in a list of events (ShowWindow or
// SetWindowPos, the two calls that show a window), and which of the window
// and its children were erased while the show call ran and which later, from
// the message queue. One watch at a time, on the thread that shows.
#include "importhook.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

class ShowWatch {
public:
    // afterHide runs once a hide call has returned.
    ShowWatch(const char* className, std::vector<std::string>& events,
              std::function<void()> afterHide = {})
        : class_(className), events_(events), afterHide_(std::move(afterHide)),
          show_("user32.dll", "ShowWindow", reinterpret_cast<const void*>(&Show)),
          place_("user32.dll", "SetWindowPos", reinterpret_cast<const void*>(&Place)),
          erase_(::SetWindowsHookExA(WH_CALLWNDPROC, Sent, nullptr, ::GetCurrentThreadId())) {
        current_ = this;
    }
    ~ShowWatch() {
        current_ = nullptr;
        if (erase_)
            ::UnhookWindowsHookEx(erase_);
    }
    ShowWatch(const ShowWatch&) = delete;
    ShowWatch& operator=(const ShowWatch&) = delete;

    bool Active() const { return show_.Active() && place_.Active() && erase_; }
    const std::vector<HWND>& ErasedWhileShowing() const { return erasedWhileShowing_; }
    bool ErasedLater(HWND w) const {
        return std::find(erasedLater_.begin(), erasedLater_.end(), w) != erasedLater_.end();
    }

private:
    bool Watched(HWND h) const {
        char cls[64] = {};
        ::GetClassNameA(h, cls, sizeof cls);
        return lstrcmpA(cls, class_) == 0;
    }
    // Notes the call, runs it and, for a hide, what is to follow it.
    template <class Call> BOOL Around(HWND h, bool show, bool hide, Call call) {
        const bool watched = Watched(h);
        showing_ = watched && show;
        if (watched && (show || hide))
            events_.push_back(show ? "show" : "hide");
        const BOOL result = call();
        showing_ = false;
        if (watched && hide && afterHide_)
            afterHide_();
        return result;
    }
    static BOOL WINAPI Show(HWND h, int cmd) {
        ShowWatch& w = *current_;
        return w.Around(h, cmd != SW_HIDE, cmd == SW_HIDE,
                        [&] { return w.show_.Original<decltype(&Show)>()(h, cmd); });
    }
    static BOOL WINAPI Place(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags) {
        ShowWatch& w = *current_;
        return w.Around(h, flags & SWP_SHOWWINDOW, flags & SWP_HIDEWINDOW, [&] {
            return w.place_.Original<decltype(&Place)>()(h, after, x, y, cx, cy, flags);
        });
    }
    static LRESULT CALLBACK Sent(int code, WPARAM wp, LPARAM lp) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lp);
        ShowWatch* w = current_;
        if (w && code == HC_ACTION && sent->message == WM_ERASEBKGND &&
            w->Watched(::GetAncestor(sent->hwnd, GA_ROOT)))
            (w->showing_ ? w->erasedWhileShowing_ : w->erasedLater_).push_back(sent->hwnd);
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }

    static inline ShowWatch* current_ = nullptr;
    const char* class_;
    std::vector<std::string>& events_;
    std::function<void()> afterHide_;
    ImportHook show_, place_;
    HHOOK erase_;
    bool showing_ = false;
    std::vector<HWND> erasedWhileShowing_, erasedLater_;
};
