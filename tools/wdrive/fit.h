// What wdrive and its measuring hook (fit.cpp, loaded into the driven
// program) share: one block of named shared memory per request.
#pragma once

#include <windows.h>

namespace wd {

// Registered message sent to the window to measure; wParam = wdrive's pid,
// which names the shared block.
inline constexpr const wchar_t* kFitMessage = L"wdrive.fit";
inline constexpr const wchar_t* kFitBlockPrefix = L"wdrive.fit.";

struct FitEntry {
    long long hwnd;
    int needW, needH; // the text's extent in the control's own font, plus the control's own parts
    int haveW, haveH; // the client area
};

struct FitBlock {
    LONG done;       // set last by the hook
    int count;       // entries filled
    int unmeasured;  // text controls of a measured class that named no font
    FitEntry entries[1024];
};

} // namespace wd
