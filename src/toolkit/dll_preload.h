#pragma once
// DLLs that system DLLs load by their plain name after the program has
// started (a delay-load of uxtheme by comctl32, the animation's msvfw32, the
// shell's helpers). Whether such a load honours SetDefaultDllDirectories is
// up to the loading DLL: Wine's delay-loads and, on Windows, LoadLibrary
// calls with their own flags still look beside Setup.exe. A module that is
// loaded already is never searched for again, so loading each from the system
// directory first leaves nothing to plant.
#include <string_view>
#include <vector>

namespace tk {

// The names, found by tracing a whole installation under Wine
// (WINEDEBUG=+loaddll) and from what Windows is known to load.
const std::vector<std::string_view>& PreloadedDllNames();

// Loads each of them by its full path in the system directory and keeps it
// for the life of the process. Call it first thing in WinMain, right after
// SetDefaultDllDirectories, or where that function is missing (Windows 7
// without KB2533623). A DLL this Windows lacks is passed over. Returns how
// many were loaded.
int PreloadSystemDlls();

} // namespace tk
