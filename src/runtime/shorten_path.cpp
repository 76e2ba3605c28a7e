#include "runtime/shorten_path.h"

namespace rt {

namespace {

// Cut the first directory from the directory part, leaving "...\" in its place.
std::string CutFirstDirectory(std::string dir) {
    if (dir == "\\")
        return {};
    bool root = false;
    if (!dir.empty() && dir.front() == '\\') {
        root = true;
        dir.erase(0, 1);
    }
    if (!dir.empty() && dir.front() == '.')
        dir.erase(0, 4); // an earlier "...\"
    const auto p = dir.find('\\');
    if (p == std::string::npos) {
        dir.clear();
    } else {
        dir = "...\\" + dir.substr(p + 1);
    }
    if (root)
        dir = "\\" + dir;
    return dir;
}

} // namespace

std::string ShortenPath(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& measure) {
    std::string result = path;
    const auto cut = path.find_last_of("\\:");
    std::string dir = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    std::string drive;
    if (dir.size() >= 2 && dir[1] == ':') {
        drive = dir.substr(0, 2);
        dir.erase(0, 2);
    }
    while ((!dir.empty() || !drive.empty()) && measure(result) > maxWidth) {
        if (dir == "\\...\\") {
            drive.clear();
            dir = "...\\";
        } else if (dir.empty()) {
            drive.clear();
        } else {
            dir = CutFirstDirectory(dir);
        }
        result = drive + dir + name;
    }
    return result;
}

} // namespace rt
