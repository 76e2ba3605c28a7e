#include "toolkit/app.h"
#include "toolkit/gdi.h"
#include "toolkit/handles.h"
#include "toolkit/window.h"
#include <exception>
#include <utility>
#include <unordered_map>
#include <vector>

namespace tk {

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

namespace {

// The window that stands for the program on the taskbar: it carries the
// title and owns the main window, which therefore has no button of its own.
class TApplicationWindow : public TWindow {
public:
    void Create(const std::string& title) {
        RegisterWindowClass({.name = "TApplication"});
        // No size: only its taskbar button is ever seen.
        CreateHandle(0, "TApplication", title.c_str(),
                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                     ::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                     nullptr, nullptr);
    }

private:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_ACTIVATE:
            // Activated from its button: the window the user last worked in takes over.
            if (LOWORD(wp) != WA_INACTIVE)
                if (HWND last = ::GetLastActivePopup(hwnd_);
                    last && last != hwnd_ && ::IsWindowEnabled(last))
                    ::SetActiveWindow(last);
            return 0;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_RESTORE && ::IsIconic(hwnd_)) {
                ::ShowWindow(hwnd_, SW_RESTORE);
                ::ShowOwnedPopups(hwnd_, TRUE);
                return 0;
            }
            break;
        case WM_CLOSE:
            // "Close" on the button closes the main window, with its own rules.
            if (HWND main = MainWindow())
                ::PostMessageA(main, WM_CLOSE, 0, 0);
            return 0;
        }
        return Default(msg, wp, lp);
    }
};

struct AppState {
    std::string title;
    TApplicationWindow appWnd;
    HWND mainWnd = nullptr;
    int dpi = 0;
    std::vector<std::pair<FontStyle, Font>> fonts;
    std::unordered_map<HWND, KeyboardTarget*> keyboardTargets;
};

AppState& State() {
    static AppState state;
    return state;
}

// Let the form the message is meant for see it first (dialog keys, accelerators).
bool PreTranslate(MSG& msg) {
    if (!msg.hwnd)
        return false;
    HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
    auto& targets = State().keyboardTargets;
    const auto it = targets.find(root);
    return it != targets.end() && it->second->PreTranslate(msg);
}

void Dispatch(MSG& msg) {
    if (PreTranslate(msg))
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

} // namespace

HINSTANCE Instance() {
    return ::GetModuleHandleA(nullptr);
}

HWND ApplicationWindow() {
    auto& s = State();
    if (!s.appWnd.Handle())
        s.appWnd.Create(s.title);
    return s.appWnd.Handle();
}

void MinimizeApplication() {
    HWND app = ApplicationWindow();
    ::ShowOwnedPopups(app, FALSE);
    ::ShowWindow(app, SW_MINIMIZE);
}

void SetApplicationTitle(const std::string& title) {
    State().title = title;
    ::SetWindowTextA(ApplicationWindow(), title.c_str());
}

void SetApplicationIcon(HICON icon) {
    ::SetClassLongPtrA(ApplicationWindow(), GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

const std::string& ApplicationTitle() {
    return State().title;
}

int Dpi() {
    auto& s = State();
    if (s.dpi == 0) {
        const WindowDC dc(nullptr);
        s.dpi = ::GetDeviceCaps(dc.get(), LOGPIXELSY);
        if (s.dpi <= 0)
            s.dpi = 96;
    }
    return s.dpi;
}

int Scale(int px96) {
    return ::MulDiv(px96, Dpi(), 96);
}

RECT ScaleRect(int left, int top, int width, int height) {
    return RECT{Scale(left), Scale(top), Scale(left) + Scale(width), Scale(top) + Scale(height)};
}

HFONT UiFont(FontStyle style) {
    auto& fonts = State().fonts;
    for (auto& [st, font] : fonts)
        if (st == style)
            return font.get();
    // "MS Sans Serif" 8 pt: 11 pixels at 96 DPI.
    Font font(::CreateFontA(-::MulDiv(8, Dpi(), 72), 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL,
                            FALSE, style.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
    HFONT h = font.get();
    fonts.emplace_back(style, std::move(font));
    return h;
}

void ProcessMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the event loop to see.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

namespace {

// The work of one PumpDuring, and the one call at a time that its worker
// hands to the pumping thread.
struct PumpedWork {
    explicit PumpedWork(const std::function<void()>& w) : work(w) {}
    const std::function<void()>& work;
    std::exception_ptr error;
    KernelHandle callWaiting{::CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    KernelHandle callDone{::CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    const std::function<void()>* call = nullptr;
    std::exception_ptr callError;

    void RunCall() {
        try {
            (*call)();
        } catch (...) {
            callError = std::current_exception();
        }
        ::SetEvent(callDone.get());
    }
};

thread_local PumpedWork* t_work = nullptr; // set on a worker of PumpDuring

DWORD WINAPI RunPumpedWork(LPVOID param) {
    auto* work = static_cast<PumpedWork*>(param);
    t_work = work;
    try {
        work->work();
    } catch (...) {
        work->error = std::current_exception();
    }
    return 0;
}

// Waits for the worker, handing each message to pump and running the calls
// the worker hands over. Once pump has raised, messages wait for the caller's
// own loop, but the worker's calls are still served: it ends in any case.
void PumpUntilDone(PumpedWork& work, HANDLE worker, const std::function<void()>& pump) {
    std::exception_ptr pumpError;
    auto handle = [&] {
        try {
            pump ? pump() : ProcessMessages();
        } catch (...) {
            pumpError = std::current_exception();
        }
    };
    // The wait below wakes only for input that arrives after it was last
    // looked at: what is queued already is handled first.
    handle();
    const HANDLE wait[2] = {worker, work.callWaiting.get()};
    for (;;) {
        const DWORD r = pumpError
                            ? ::WaitForMultipleObjects(2, wait, FALSE, INFINITE)
                            : ::MsgWaitForMultipleObjects(2, wait, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 + 1)
            work.RunCall();
        else if (r == WAIT_OBJECT_0 + 2)
            handle();
        else
            break; // the worker has ended (or the wait failed: nothing left to wait for)
    }
    if (pumpError)
        std::rethrow_exception(pumpError);
}

} // namespace

void PumpDuring(const std::function<void()>& work, const std::function<void()>& pump) {
    if (t_work) {
        work();
        return;
    }
    PumpedWork job(work);
    if (!job.callWaiting || !job.callDone)
        return work(); // no events, no worker: the work blocks, as it would anyway
    KernelHandle worker(::CreateThread(nullptr, 0, RunPumpedWork, &job, 0, nullptr));
    if (!worker)
        return work();
    PumpUntilDone(job, worker.get(), pump);
    if (job.error)
        std::rethrow_exception(job.error);
}

bool WhilePumping(const std::function<bool()>& call) {
    bool result = false;
    PumpDuring([&] { result = call(); });
    return result;
}

void OnPumpingThread(const std::function<void()>& call) {
    PumpedWork* work = t_work;
    if (!work)
        return call();
    work->call = &call;
    ::SetEvent(work->callWaiting.get());
    ::WaitForSingleObject(work->callDone.get(), INFINITE);
    if (std::exception_ptr e = std::exchange(work->callError, nullptr))
        std::rethrow_exception(e);
}

bool OnPumpedWorker() {
    return t_work != nullptr;
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        Dispatch(msg);
    return static_cast<int>(msg.wParam);
}

HWND MainWindow() {
    return State().mainWnd;
}
void SetMainWindow(HWND hwnd) {
    State().mainWnd = hwnd;
}

void RegisterKeyboardTarget(HWND hwnd, KeyboardTarget* target) {
    State().keyboardTargets[hwnd] = target;
}
void UnregisterKeyboardTarget(HWND hwnd) {
    State().keyboardTargets.erase(hwnd);
}

} // namespace tk
