#pragma once
// What a screen reader learns about the program's own controls: an
// IAccessible of the program's own (role, name without the accelerator mark,
// state, location, default action), handed out through WM_GETOBJECT.
#include <windows.h>
#include <oleacc.h>

namespace tk {

// A new accessible object for the client area of `hwnd` (reference count 1).
// It asks the window for name and state on every call, so it stays safe to
// use after the window is gone. Pushing a push button or following a link
// (the default action) posts BM_CLICK, which the control refuses while its
// window is disabled.
IAccessible* NewAccessible(HWND hwnd, LONG role);

// Gives a standard control (edit, combo box) the text of `label` as its
// accessible name; everything else a screen reader learns stays the
// system's. The label may be a control of any class.
void NameAfterLabel(HWND control, HWND label);

// The answer to WM_GETOBJECT of a dialog of the program's own class (the
// message boxes): the system's object of its client area, children and all,
// in the dialog role that the system gives its own dialog boxes, such as the
// directory picker. 0 for anything but OBJID_CLIENT.
LRESULT AnswerGetObjectAsDialog(HWND hwnd, WPARAM wp, LPARAM lp);

// The answer to WM_GETOBJECT: the object for OBJID_CLIENT, 0 for anything else.
LRESULT AnswerGetObject(HWND hwnd, LONG role, WPARAM wp, LPARAM lp);

} // namespace tk
