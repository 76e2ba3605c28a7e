#pragma once
// The shortcut dialog: which of the desktop, the Start menu and the
// Programs menu get a shortcut "KELvar 5.0.lnk" to TargetDir\Launch.exe.
#include "shell/buttons.h"
#include "toolkit/window.h"

#include <functional>
#include <string>
#include <windows.h>

// Writes one shell link (target path, link file path, description) through
// the shell-link object; false when the object or its IPersistFile cannot be
// obtained, true once the save was issued (its result is not examined).
// Needs a COM apartment on the calling thread.
bool CreateShellLink(const std::string& target, const std::string& linkFile,
                     const std::string& description);

class ShortcutDialog : public tk::TWindow {
public:
    // Creates the dialog hidden, owned by the main window (if there is one yet).
    void Create();

    // Shows the dialog modally until a button or the close box ends it; the owner
    // is disabled meanwhile. The shortcuts lead to targetDir\Launch.exe.
    // Returns mrOk (1) for "&Verknüpfung erstellen", mrCancel (2) else.
    int ShowModal(const std::string& targetDir);

    // Handlers.
    void OnCreateShortcuts();
    void OnSkip();

    // Controls (tab order: the three boxes, then the two buttons).
    TCheckBox desktopBox, startMenuBox, programsBox;
    TBitBtn createButton, skipButton;

    // How a box's special folder is found (CSIDL -> path ending in a backslash,
    // or "" when there is none). SpecialFolderPath unless a test replaces it.
    std::function<std::string(int csidl)> FolderLookup;

    // Window class of the dialog, for tests and the test driver.
    static constexpr const char* kClassName = "TForm2";

private:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint();
    void EndModal(int result);
    int DefaultButtonId() const;

    tk::FocusKeeper focusKeeper_;
    HWND heading_ = nullptr;
    std::string targetDir_;
    int modalResult_ = 0;
    bool inModal_ = false;
};
