// SpecialFolderPath: the shell's lookup of a CSIDL folder.
#include "shell/special_folder.h"

#include <memory>
#include <shlobj.h>
#include <windows.h>

namespace {
struct TaskMemFree {
    void operator()(ITEMIDLIST* p) const noexcept { ::CoTaskMemFree(p); }
};
using ItemIdList = std::unique_ptr<ITEMIDLIST, TaskMemFree>;
} // namespace

std::string SpecialFolderPath(int csidl) {
    ITEMIDLIST* raw = nullptr;
    const HRESULT hr = ::SHGetSpecialFolderLocation(nullptr, csidl, &raw);
    if (hr < 0)
        return {};
    ItemIdList list(raw);       // ours now; released by the shell's task allocator
    char buffer[MAX_PATH] = {}; // stays empty if the shell writes nothing
    ::SHGetPathFromIDListA(list.get(), buffer);
    return shell::FolderPathFromShell(std::string_view(buffer, MAX_PATH));
}
