// Program entry: COM apartment, application title, the two forms, event loop.
#include "app/wizard/wizard_window.h"
#include "shell/shortcut_dialog.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include "toolkit/dll_preload.h"
#include "toolkit/handles.h"
#include <commctrl.h>
#include <windows.h>

namespace {

// DLLs come from the system directory only, so a DLL planted beside Setup.exe
// in a download folder is never loaded. SetDefaultDllDirectories is missing on
// old systems without the update that brought it: look it up at run time.
void HardenDllSearch() {
    ::SetDllDirectoryA("");
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto fn = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (fn)
        fn(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HardenDllSearch();
    // A DLL that a system DLL loads later by its plain name is loaded now,
    // from System32: a module already loaded is never searched for again.
    tk::PreloadSystemDlls();
    tk::ComApartment com;

    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    ::InitCommonControlsEx(&icc);
    tk::SetApplicationTitle(txt::AppTitle);

    ShortcutDialog shortcuts; // outlives the wizard, which keeps a pointer to it
    WizardWindow wizard;
    if (!wizard.Create())
        return 1;
    shortcuts.Create();
    wizard.SetShortcutDialog(&shortcuts);

    wizard.Show();
    return tk::RunMessageLoop();
}
