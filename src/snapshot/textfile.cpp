#include "snapshot/textfile.h"

#include "runtime/errors.h"
#include "toolkit/handles.h"

#include <windows.h>

namespace snapshot {

namespace {
[[noreturn]] void RaiseLastError() {
    const DWORD code = ::GetLastError();
    throw rt::EInOutError(code != 0 ? static_cast<int>(code) : 29); // 29: write fault
}
} // namespace

void WriteLineFile(const std::string& path, const std::string& line) {
    tk::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        RaiseLastError();
    const std::string text = line + "\r\n";
    DWORD written = 0;
    if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        RaiseLastError();
    if (written != text.size())
        throw rt::EInOutError(101); // short write: the runtime's "Disk voll"
    if (!::FlushFileBuffers(file.get()))
        RaiseLastError();
    if (!::CloseHandle(file.release()))
        RaiseLastError();
}

} // namespace snapshot
