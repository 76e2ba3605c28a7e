#pragma once
// The decisions behind "&Weiter" that need no window: the name page's checks in
// their order, the drive number, the free-space threshold, the default target
// and the drive page's root. The platform queries are passed in.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rt {

// 20 MB as the free-space check counts them (20 x 1,048,576, not 20,000,000).
inline constexpr std::int64_t kMinFreeSpace = 20LL * 1048576;

// The folder the product goes into below the Program Files folder.
inline constexpr const char* kProductFolder = "KELvar 5.0";

// 1 for A (or a) to 26 for Z; any other character gives 0, the current drive.
int DriveNumber(char c);

// Free space as the query reports it: -1 when the query failed, which is too little.
bool EnoughFreeSpace(std::int64_t available);

// The Program Files folder as read (with its backslash, or empty) and the
// product folder: "C:\Programme\" gives "C:\Programme\KELvar 5.0", "" gives "\KELvar 5.0".
std::string DefaultTargetDir(const std::string& programFiles);

// A registry string value's bytes as stored, up to the first zero character.
std::string RegStringValue(const char* data, std::size_t size);

// The Program Files folder from the value read: the value and one backslash.
std::string ProgramFilesWithBackslash(const std::string& value);

// The drive page's root: the first two characters of the item (letter and
// colon) and a backslash; an empty item gives a lone backslash.
std::string DriveRoot(const std::string& itemText);

// The drive as the summary shows it: the root without its backslash, upper-cased.
std::string SummaryDrive(const std::string& root);

// Name page: the first check that fails, or Ok.
enum class NameCheck { Ok, NoName, NoTarget, TargetExists, NotWindowsDrive, TooLittleSpace };

struct NameCheckPlatform {
    std::function<bool(const std::string& path)> directoryExists;
    std::string windowsDir;
    // Bytes available to the user on drive 1..26, or on the current drive for 0; -1 on failure.
    std::function<std::int64_t(int drive)> freeSpace;
};

NameCheck CheckNamePage(const std::string& name, const std::string& target,
                        const NameCheckPlatform& platform);

} // namespace rt

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
