#include "toolkit/system_dll.h"
#include "runtime/errors.h"
#include <map>
#include <mutex>

namespace tk {

namespace {

HMODULE LoadFromSystemDirectory(const char* dll) {
    HMODULE module = ::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // Windows 7 without KB2533623 knows no LOAD_LIBRARY_SEARCH_SYSTEM32: the
    // full path of the system directory is just as safe there.
    char dir[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::string path = std::string(dir, length) + "\\" + dll;
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

HMODULE SystemModule(const char* dll) {
    static std::mutex lock;
    static std::map<std::string, HMODULE> modules;
    const std::lock_guard<std::mutex> hold(lock);
    auto [it, inserted] = modules.try_emplace(dll, nullptr);
    if (inserted)
        it->second = LoadFromSystemDirectory(dll);
    return it->second;
}

void* FindSystemFunction(const char* dll, const char* name) {
    HMODULE module = SystemModule(dll);
    return module ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
}

std::string MissingFunctionText(const char* dll, const char* name) {
    return std::string("Die Systemfunktion ") + name + " aus " + dll +
           " ist auf diesem Rechner nicht verfügbar";
}

void RaiseMissingFunction(const char* dll, const char* name) {
    throw rt::Exception(MissingFunctionText(dll, name));
}

} // namespace tk
