#include "toolkit/dll_preload.h"
#include <string>
#include <windows.h>

namespace tk {

const std::vector<std::string_view>& PreloadedDllNames() {
    static const std::vector<std::string_view> names = {
        // Seen under Wine after WinMain: comctl32's delay-load of uxtheme (from
        // beside the program), and the animation's video and sound DLLs.
        "uxtheme.dll", "msvfw32.dll", "winmm.dll", "msacm32.dll", "msimg32.dll",
        // What Windows loads later by name for windows, themes, the shell,
        // COM and access checks (not all of them on every version).
        "userenv.dll", "setupapi.dll", "apphelp.dll", "propsys.dll", "dwmapi.dll", "cryptbase.dll",
        "oleacc.dll", "version.dll", "profapi.dll", "comres.dll", "clbcatq.dll", "ntmarta.dll"};
    return names;
}

namespace {

bool LoadFromSystemDirectory(const std::string& directory, std::string_view name) {
    const std::string path = directory + "\\" + std::string(name);
    // Its own imports from the system directory as well.
    if (::LoadLibraryExA(path.c_str(), nullptr,
                         LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    if (::GetLastError() != ERROR_INVALID_PARAMETER)
        return false; // not on this Windows
    // Without KB2533623 there are no LOAD_LIBRARY_SEARCH flags: the altered
    // search order looks in the DLL's own folder, System32, first.
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) != nullptr;
}

} // namespace

int PreloadSystemDlls() {
    char dir[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    const std::string directory(dir, length);
    int loaded = 0;
    // The modules stay loaded until the process ends: that is the point.
    for (std::string_view name : PreloadedDllNames())
        loaded += LoadFromSystemDirectory(directory, name) ? 1 : 0;
    return loaded;
}

} // namespace tk
