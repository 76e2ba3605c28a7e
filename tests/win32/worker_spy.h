#pragma once
// Watches long work that must run on a worker while the calling thread goes
// on pumping: a spied platform call made on another thread posts the calling
// thread's window a message and waits until it has been handled. Work done on
// the calling thread, or a caller that pumps only before and after the work,
// leaves the message unanswered (the wait gives up after a few seconds).
//   WorkerSpy spy;                                  on the calling thread
//   SpiedCall<decltype(::WriteFile)> writes("kernel32.dll", "WriteFile");
#include "importhook.h"

#include <atomic>
#include <windows.h>

class WorkerSpy {
public:
    // asks: how many calls from other threads wait for an answer.
    explicit WorkerSpy(int asks = 3) : asks_(asks) {
        current_ = this;
        WNDCLASSA wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_APP && current_)
                ::SetEvent(current_->answered_);
            return ::DefWindowProcA(h, m, w, l);
        };
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "WorkerSpy";
        ::RegisterClassA(&wc);
        window_ = ::CreateWindowA("WorkerSpy", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    }
    ~WorkerSpy() {
        ::DestroyWindow(window_);
        ::CloseHandle(answered_);
        current_ = nullptr;
    }
    WorkerSpy(const WorkerSpy&) = delete;
    WorkerSpy& operator=(const WorkerSpy&) = delete;

    // From a hook: notes the thread, and on another thread asks for an answer.
    static void Seen() {
        WorkerSpy* spy = current_;
        if (!spy)
            return;
        if (::GetCurrentThreadId() == spy->caller_) {
            ++spy->onCaller_;
            return;
        }
        ++spy->onWorker_;
        if (spy->asked_ >= spy->asks_)
            return;
        ++spy->asked_;
        ::PostMessageA(spy->window_, WM_APP, 0, 0);
        if (::WaitForSingleObject(spy->answered_, 5000) == WAIT_OBJECT_0)
            ++spy->answers_;
    }

    int OnCaller() const { return onCaller_; }
    int OnWorker() const { return onWorker_; }
    int Asked() const { return asked_; }
    int Answers() const { return answers_; }

private:
    static inline WorkerSpy* current_ = nullptr;
    const DWORD caller_ = ::GetCurrentThreadId();
    const int asks_;
    HWND window_ = nullptr;
    HANDLE answered_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> onCaller_{0}, onWorker_{0}, asked_{0}, answers_{0};
};

// Hooks one imported function: each call is shown to the WorkerSpy in force,
// then made.
template <class Fn> class SpiedCall;
template <class R, class... A> class SpiedCall<R(A...)> {
public:
    SpiedCall(const char* dll, const char* function)
        : hook_(dll, function, reinterpret_cast<const void*>(&Spy)) {
        real_ = hook_.Original<R(WINAPI*)(A...)>();
    }
    bool Active() const { return hook_.Active(); }

private:
    static R WINAPI Spy(A... args) {
        WorkerSpy::Seen();
        return real_(args...);
    }
    static inline R(WINAPI* real_)(A...) = nullptr;
    ImportHook hook_;
};
