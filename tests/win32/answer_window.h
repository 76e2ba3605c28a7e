#pragma once
// A hidden window of a test's own that notes each WM_APP posted to it in a
// list of events: posted before a step, it shows whether its thread handled
// its messages before that step or only after it.
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

class AnswerWindow {
public:
    // A WM_APP with wParam k adds names[k] to events.
    explicit AnswerWindow(std::vector<std::string>& events,
                          std::vector<std::string> names = {"answered"})
        : events_(events), names_(std::move(names)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        ::RegisterClassA(&wc); // already registered by an earlier test: as good
        hwnd_ = ::CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr);
        if (hwnd_)
            ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~AnswerWindow() {
        if (hwnd_)
            ::DestroyWindow(hwnd_);
    }
    AnswerWindow(const AnswerWindow&) = delete;
    AnswerWindow& operator=(const AnswerWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    void Post(WPARAM k = 0) const { ::PostMessageA(hwnd_, WM_APP, k, 0); }

private:
    static constexpr const char* kClass = "KelvarTestAnswer";
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_APP)
            if (auto* self = reinterpret_cast<AnswerWindow*>(::GetWindowLongPtrA(h, GWLP_USERDATA)))
                self->events_.push_back(wp < self->names_.size() ? self->names_[wp] : "?");
        return ::DefWindowProcA(h, msg, wp, lp);
    }

    std::vector<std::string>& events_;
    std::vector<std::string> names_;
    HWND hwnd_ = nullptr;
};
