#include "toolkit/app.h"
#include "toolkit/gdi.h"
#include "toolkit/handles.h"
#include <unordered_map>
#include <vector>

namespace tk {

namespace {

struct AppState {
    std::string title;
    HWND appWnd = nullptr;
    HWND mainWnd = nullptr;
    int dpi = 0;
    std::vector<std::pair<FontStyle, Font>> fonts;
    std::unordered_map<HWND, KeyboardTarget*> keyboardTargets;
};

AppState& State() {
    static AppState state;
    return state;
}

LRESULT CALLBACK AppWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcA(hwnd, msg, wp, lp);
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
    if (!s.appWnd) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = AppWndProc;
        wc.hInstance = Instance();
        wc.lpszClassName = "TApplication";
        ::RegisterClassA(&wc);
        s.appWnd = ::CreateWindowExA(0, "TApplication", s.title.c_str(),
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0,
                                     0, nullptr, nullptr, Instance(), nullptr);
    }
    return s.appWnd;
}

void SetApplicationTitle(const std::string& title) {
    State().title = title;
    ::SetWindowTextA(ApplicationWindow(), title.c_str());
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

int Run() {
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
