#pragma once
// The one registry value the installer reads: the Program Files folder.
#include <string>
#include <windows.h>

// The Program Files folder followed by one backslash; empty text when the key
// cannot be opened. Raises rt::ERegistryException for a value that is not a string.
std::string ReadProgramFilesDir();

// The same read below any root, key and value name (for the tests).
std::string ReadDirValue(HKEY root, const char* key, const char* valueName);
