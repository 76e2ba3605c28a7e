#pragma once
// The base of every window the program creates. Its class is registered with
// the one static window procedure, which binds the object at WM_NCCREATE,
// forwards every message to the virtual WndProc behind the exception barrier
// and, at WM_NCDESTROY, runs the default processing with the real handle
// before it unbinds the object.
#include "toolkit/error_handler.h"
#include <string>
#include <windows.h>

namespace tk {

// The barrier of a window or dialog procedure: an exception ends the message
// with `onError` and is shown in the program's error box; the program goes on.
template <class F> auto Barrier(F&& f, decltype(f()) onError) noexcept -> decltype(f()) {
    decltype(f()) result = onError;
    Guard([&] { result = f(); });
    return result;
}

class TWindow {
public:
    TWindow() = default;
    // A window still open loses its object first, then closes by default processing.
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    HWND Handle() const { return hwnd_; }

protected:
    struct ClassInfo {
        const char* name;
        HBRUSH background = nullptr;
        HICON icon = nullptr;
        UINT style = 0;
    };
    // Registers a class of the static window procedure (once per name).
    static void RegisterWindowClass(const ClassInfo& info);
    // Creates the window bound to this object; null when creation failed.
    HWND CreateHandle(DWORD exStyle, const char* cls, const char* text, DWORD style, int x, int y,
                      int w, int h, HWND parent, HMENU menu);
    void DestroyHandle();

    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

// A control drawn through owner-draw messages (an owner-drawn button, combo box
// or list box). Bound to its window, it draws itself: the one window procedure
// hands a parent's WM_DRAWITEM for it to Draw, so no parent forwards it. (A
// fixed-height control sets its item height itself after creation.)
class OwnerDrawn {
public:
    OwnerDrawn() = default;
    virtual ~OwnerDrawn();
    OwnerDrawn(const OwnerDrawn&) = delete;
    OwnerDrawn& operator=(const OwnerDrawn&) = delete;

    virtual void Draw(const DRAWITEMSTRUCT& dis) = 0;
    // The object bound to a control's window; null for any other window.
    static OwnerDrawn* Of(HWND control);

protected:
    // Binds the control's window to this object, right after creating it.
    void BindOwnerDrawn(HWND control);

private:
    HWND bound_ = nullptr;
};

// Handles messages until done() is true (tested after each message) or the
// program quits (the quit request is left for the outer loop). Dialog keys go
// to `window`. A screen reader is told that the dialog `window` opens and
// closes (EVENT_SYSTEM_DIALOGSTART, EVENT_SYSTEM_DIALOGEND), so it reads it.
void RunModal(HWND window, bool (*done)(void* context), void* context);
template <class F> void RunModal(HWND window, F&& done) {
    RunModal(
        window, [](void* c) { return (*static_cast<F*>(c))(); }, &done);
}

// What a dialog box does with the keyboard focus across activation: the
// control that had it when the window was deactivated (by Alt+Tab, a message
// box, another program) gets it back when the window is activated again;
// without it the focus is left on the window itself and typing goes nowhere.
class FocusKeeper {
public:
    // Call on WM_ACTIVATE; true when it handled the message (return 0).
    bool OnActivate(HWND window, WPARAM wp);

private:
    HWND saved_ = nullptr;
};

// The text of any window or standard control (an edit's contents).
std::string WindowText(HWND hwnd);

// Whether a click on `control` may act: it and its top-level window are
// enabled (a modal box disables the windows beneath it).
bool AcceptsInput(HWND control);

// Shows and activates a hidden top-level window with its painting left to the
// message queue. ShowWindow erases the window and each child before it
// returns; under Wine that held the thread for several milliseconds more, in
// which nothing was answered. Painted from the queue, the window is drawn
// right after the messages waiting before it.
void ShowPaintingLater(HWND window);

} // namespace tk
