#pragma once
// Special folders: the lookup the shortcut dialog places its shortcuts with.
#include <string>
#include <string_view>

// The path of a shell special folder (a CSIDL value), ending in exactly one
// backslash; the empty string when the shell cannot resolve it or gives no
// file-system path. Never shows a message. Needs a COM apartment. (Windows only.)
std::string SpecialFolderPath(int csidl);

namespace shell {
// The shell's path as it came in its buffer (up to the first NUL), with one
// backslash appended unless it is empty or already ends in one.
inline std::string FolderPathFromShell(std::string_view shellPath) {
    std::string path(shellPath.substr(0, shellPath.find('\0')));
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path;
}
} // namespace shell
