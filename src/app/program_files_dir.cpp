#include "app/program_files_dir.h"
#include "app/registry_value.h"
#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"
#include <vector>

namespace {
constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kProgramFilesValue = "ProgramFilesDir";
} // namespace

std::string ReadDirValue(HKEY root, const char* key, const char* valueName) {
    tk::RegKey k;
    // Full access as the installer has always asked for it; the key is never created.
    if (::RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS, k.put()) != ERROR_SUCCESS)
        return {};
    DWORD type = REG_NONE, size = 0;
    if (::RegQueryValueExA(k.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return app::ProgramFilesWithBackslash({}); // missing reads as empty
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw rt::ERegistryException(rt::Format(txt::SInvalidRegType, valueName));
    std::vector<char> data(size + 1, '\0');
    // The value may grow between the two calls: read again with the new size.
    LONG rc;
    while ((rc = ::RegQueryValueExA(k.get(), valueName, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &size)) ==
           ERROR_MORE_DATA)
        data.assign(size + 1, '\0');
    if (rc != ERROR_SUCCESS)
        return app::ProgramFilesWithBackslash({});
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw rt::ERegistryException(rt::Format(txt::SInvalidRegType, valueName));
    // Taken as stored: no expansion of %variables%, cut at the first zero.
    return app::ProgramFilesWithBackslash(app::RegStringValue(data.data(), size));
}

std::string ReadProgramFilesDir() {
    return ReadDirValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, kProgramFilesValue);
}
