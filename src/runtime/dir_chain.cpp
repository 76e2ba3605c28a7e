#include "runtime/dir_chain.h"

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
