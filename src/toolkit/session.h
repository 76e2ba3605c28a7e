#pragma once
// Keeps Windows from ending the session while the installation run is busy:
// a half-restored program folder is worse than a delayed logoff.
#include <windows.h>

namespace tk {

// While one exists, every window of the toolkit answers WM_QUERYENDSESSION
// with FALSE, and the window given shows the reason in the system's
// shutdown screen (Windows Vista and later).
class SessionEndBlock {
public:
    SessionEndBlock(HWND window, const char* reason); // reason in code page 1252
    ~SessionEndBlock();
    SessionEndBlock(const SessionEndBlock&) = delete;
    SessionEndBlock& operator=(const SessionEndBlock&) = delete;

    static bool Active();

private:
    HWND window_;
    bool reason_ = false;
};

} // namespace tk
