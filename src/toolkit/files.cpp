#include "toolkit/files.h"
#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/errormode.h"
#include "toolkit/handles.h"
#include <algorithm>
#include <windows.h>

namespace tk {

namespace {
[[noreturn]] void RaiseLastError() {
    const DWORD code = ::GetLastError();
    throw rt::EInOutError(code != 0 ? static_cast<int>(code) : 29); // 29: write fault
}
} // namespace

bool DirectoryExists(const std::string& path) {
    // The drive page and the picker test drives that may hold no medium.
    CriticalErrorsSuppressed quiet;
    const DWORD attr = ::GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
    const DWORD attr = ::GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path) {
    if (path.empty())
        throw rt::Exception(txt::SCannotCreateDir);
    const std::string dir = rt::WithoutTrailingBackslash(path);
    if (dir.size() < 3 || DirectoryExists(dir))
        return DirectoryExists(dir + "\\") || DirectoryExists(dir);
    const auto cut = dir.find_last_of("\\:");
    if (cut != std::string::npos && cut > 0) {
        const std::string parent = dir.substr(0, cut + 1);
        if (parent != dir && !ForceDirectories(parent))
            return false;
    }
    // Windows' ANSI CreateDirectoryA refuses 248 characters and more (room for an
    // 8.3 name below MAX_PATH); Wine would create them. Refused here on both.
    constexpr std::size_t kMaxAnsiDirectory = MAX_PATH - 12;
    return (dir.size() < kMaxAnsiDirectory && ::CreateDirectoryA(dir.c_str(), nullptr) != FALSE) ||
           DirectoryExists(dir);
}

void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        RaiseLastError();
    ::SetLastError(0);
    if (!WriteLines(file.get(), lines)) {
        const DWORD code = ::GetLastError();
        throw rt::EInOutError(code != 0 ? static_cast<int>(code) : 101); // 101: disk full
    }
    if (!::CloseHandle(file.release()))
        RaiseLastError();
}

bool WriteLines(void* file, std::size_t count, const std::function<std::string_view(std::size_t)>& line,
                const std::function<void()>& pump) {
    constexpr std::size_t kChunk = 1 << 20;
    std::string buffer;
    buffer.reserve(kChunk + 4096);
    auto flush = [&] {
        const char* p = buffer.data();
        std::size_t left = buffer.size();
        while (left > 0) {
            DWORD written = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
            if (!::WriteFile(file, p, want, &written, nullptr) || written == 0)
                return false;
            p += written;
            left -= written;
        }
        buffer.clear();
        return true;
    };
    for (std::size_t i = 0; i < count; ++i) {
        buffer += line(i);
        buffer += "\r\n";
        if (buffer.size() >= kChunk) {
            if (!flush())
                return false;
            if (pump)
                pump();
        }
    }
    return flush();
}

bool WriteLines(void* file, const std::vector<std::string>& lines) {
    return WriteLines(file, lines.size(), [&](std::size_t i) { return std::string_view(lines[i]); });
}

} // namespace tk
