#pragma once
// The modal directory picker "Verzeichnis auswählen": a path field, the
// directory tree of the current folder, its files, the drives, OK, Abbrechen
// and the network connection dialog. A typed path is accepted; one that does
// not exist is accepted after "&Ja" to the question whether to create it (the
// picker itself creates nothing: the installation run creates the target).
#include <string>
#include <windows.h>

namespace tk {

// Opens at `start`, or at the current directory when start is empty or cannot
// be entered. True and the chosen path (full, no trailing backslash except at
// a drive root) when confirmed; false when cancelled. The process's current
// directory is the same afterwards as before.
bool SelectDirectory(HWND owner, const std::string& start, std::string& chosen);

// Control ids, for the tests.
enum : int {
    kPickerPath = 1101,
    kPickerDirs = 1102,
    kPickerFiles = 1103,
    kPickerDrives = 1104,
    kPickerNetwork = 1105,
};

} // namespace tk
