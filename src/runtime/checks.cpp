#include "runtime/checks.h"
#include "runtime/strutil.h"
#include <cstring>

namespace rt {

int DriveNumber(char c) {
    const char u = UpperAZ(c);
    return (u >= 'A' && u <= 'Z') ? u - 'A' + 1 : 0;
}

bool EnoughFreeSpace(std::int64_t available) {
    return available >= kMinFreeSpace;
}

std::string DefaultTargetDir(const std::string& programFiles) {
    std::string dir = programFiles;
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir + kProductFolder;
}

std::string RegStringValue(const char* data, std::size_t size) {
    if (!data)
        return {};
    const void* zero = std::memchr(data, '\0', size);
    return std::string(data, zero ? static_cast<const char*>(zero) - data : size);
}

std::string ProgramFilesWithBackslash(const std::string& value) {
    return value + '\\';
}

std::string DriveRoot(const std::string& itemText) {
    return itemText.substr(0, 2) + '\\';
}

std::string SummaryDrive(const std::string& root) {
    return UpperAZ(WithoutTrailingBackslash(root));
}

NameCheck CheckNamePage(const std::string& name, const std::string& target,
                        const NameCheckPlatform& platform) {
    // Blanks decide emptiness only; everything after works with the text as typed.
    if (Trim(name).empty())
        return NameCheck::NoName;
    if (Trim(target).empty())
        return NameCheck::NoTarget;
    if (platform.directoryExists(WithoutTrailingBackslash(target)))
        return NameCheck::TargetExists;
    // Only a full drive path: "Cxy" or "C:xy" would install relative to
    // whatever folder happens to be current.
    const std::string& win = platform.windowsDir;
    if (win.empty() || target.size() < 3 || target[1] != ':' || target[2] != '\\' ||
        UpperAZ(target[0]) != UpperAZ(win[0]))
        return NameCheck::NotWindowsDrive;
    if (!EnoughFreeSpace(platform.freeSpace(DriveNumber(target[0]))))
        return NameCheck::TooLittleSpace;
    return NameCheck::Ok;
}

} // namespace rt

namespace rt {

namespace {
// Length of the root: "C:\" is 3, "\\srv\share\" up to its last backslash, else 0.
std::size_t RootLength(const std::string& p) {
    if (p.size() >= 3 && p[1] == ':' && p[2] == '\\')
        return 3;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        const auto server = p.find('\\', 2);
        if (server == std::string::npos || server + 1 >= p.size())
            return 0;
        const auto share = p.find('\\', server + 1);
        return share == std::string::npos ? p.size() : share + 1;
    }
    return 0;
}
} // namespace

std::vector<DirLevel> DirChain(const std::string& dir) {
    std::vector<DirLevel> out;
    const std::size_t root = RootLength(dir);
    if (root == 0)
        return out;
    std::string path = dir.substr(0, root);
    if (path.back() != '\\')
        path += '\\';
    out.push_back({path, path});
    std::size_t pos = root;
    while (pos < dir.size()) {
        auto end = dir.find('\\', pos);
        if (end == std::string::npos)
            end = dir.size();
        if (end > pos) {
            const std::string name = dir.substr(pos, end - pos);
            path = out.size() == 1 ? out[0].path + name : path + '\\' + name;
            out.push_back({path, name});
        }
        pos = end + 1;
    }
    return out;
}

std::string PickerPath(const std::string& fullPath) {
    if (fullPath.size() > RootLength(fullPath) && fullPath.back() == '\\')
        return fullPath.substr(0, fullPath.size() - 1);
    return fullPath;
}

} // namespace rt
