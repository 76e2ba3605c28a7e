#pragma once
// The application object: instance, title, DPI scaling, fonts and the message pump.
#include <windows.h>
#include <functional>
#include <string>

namespace tk {

HINSTANCE Instance();

// Wine stands in for Windows where a platform feature is missing there.
bool RunningUnderWine();

// The application's own hidden window (owner of the taskbar button, carries the title).
HWND ApplicationWindow();
void SetApplicationTitle(const std::string& title);
// Hides the windows it owns and minimises it to its taskbar button; restored
// from there, the windows come back.
void MinimizeApplication();
const std::string& ApplicationTitle();
// The icon of the application window's class: what Alt+Tab and the taskbar
// show for the program (a shared icon; the caller keeps it alive).
void SetApplicationIcon(HICON icon);

// Layout is given at 96 DPI; Scale() converts to the real DPI.
int Dpi();
int Scale(int px96);
RECT ScaleRect(int left, int top, int width, int height);

// "MS Sans Serif" 8 pt in the given style (the window font); colour is drawn by the control.
struct FontStyle {
    bool bold = false;
    bool underline = false;
    bool operator==(const FontStyle&) const = default;
};
HFONT UiFont(FontStyle style = {}); // shared, owned by the toolkit; never delete

// Handle all pending window messages, with keyboard navigation and accelerators,
// then return. Safe to call from inside long handlers.
void ProcessMessages();

// Runs call on a worker thread while this thread handles window messages, and
// returns its result (or throws its exception) once it is done: for one
// blocking call (a copy, a deletion) that can take seconds on a big file or a
// slow medium and has no way to hand back control meanwhile.
bool WhilePumping(const std::function<bool()>& call);

// Run the event loop until the main window is gone.
int RunMessageLoop();

// The main window (first form created); the event loop ends when it is destroyed.
HWND MainWindow();
void SetMainWindow(HWND hwnd);

// Forms that want dialog keys (Tab, accelerators) register here so that the
// pump routes their messages through them.
class KeyboardTarget {
public:
    virtual ~KeyboardTarget() = default;
    // Return true when the message was consumed.
    virtual bool PreTranslate(MSG& msg) = 0;
};
void RegisterKeyboardTarget(HWND hwnd, KeyboardTarget* target);
void UnregisterKeyboardTarget(HWND hwnd);

} // namespace tk
