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

// Runs work on a worker thread while this thread handles each window message
// as it comes (with pump; ProcessMessages when none is given), and returns
// once the work is done, raising here what the work raised: for work that
// takes seconds (a copy of a big file, a restore, a walk of the registry)
// and would otherwise keep the window waiting. Called on such a worker it
// just runs the work: the window's thread pumps already.
void PumpDuring(const std::function<void()>& work, const std::function<void()>& pump = {});
// PumpDuring for one blocking call with a result (a copy, a deletion).
bool WhilePumping(const std::function<bool()>& call);

// From work running under PumpDuring: runs call on the thread that pumps,
// for what belongs there (message boxes, a component's events), waits for it
// and raises here what it raised. On any other thread it just calls.
void OnPumpingThread(const std::function<void()>& call);
// Whether this thread runs the work of a PumpDuring.
bool OnPumpedWorker();

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
