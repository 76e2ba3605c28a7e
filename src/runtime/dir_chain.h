#pragma once
// The directory picker's paths, free of Windows so they are tested natively.
#include <string>
#include <vector>

namespace rt {

// The directory picker's tree: the folder's root and each folder down to it,
// as path and shown name. "C:\a\b" gives C:\ , a , b; "\\srv\share\d" gives
// \\srv\share\ , d. A path without a root gives no entries.
struct DirLevel {
    std::string path;
    std::string name;
};
std::vector<DirLevel> DirChain(const std::string& dir);

// A folder as the picker returns it: no trailing backslash, except at a root (C:\).
std::string PickerPath(const std::string& fullPath);

} // namespace rt
