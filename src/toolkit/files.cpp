#include "toolkit/files.h"
#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include "toolkit/error_mode.h"
#include "toolkit/handles.h"
#include <algorithm>
#include <memory>
#include <utility>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace tk {

namespace {
// Windows' ANSI CreateDirectoryA refuses 248 characters and more (room for an
// 8.3 name below MAX_PATH); Wine would create them. Refused here on both.
constexpr std::size_t kMaxAnsiDirectory = MAX_PATH - 12;

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

bool EmptyAndDelete(const std::string& path) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return ::DeleteFileA(path.c_str()) != FALSE;
    FILE_DISPOSITION_INFO dispose{TRUE};
    // Marked first: a file that may not be deleted keeps its bytes.
    if (!::SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof dispose))
        return false;
    // Wine's server does each cut itself, and a cut of pages the disk is
    // still writing waits for the disk: 0.1 to 1.5 s here while other writes
    // ran, with every program unanswered. Written out first, on this thread,
    // they are only freed. On Windows a cut holds no other program, so there
    // the flush would only write bytes about to go.
    if (RunningUnderWine())
        ::FlushFileBuffers(file.get());
    // Cut from the end a step at a time, so that Wine's server answers
    // every program between the steps.
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size))
        for (long long at = size.QuadPart; at > 0;) {
            at = at > kEmptyingStep ? at - kEmptyingStep : 0;
            LARGE_INTEGER to{};
            to.QuadPart = at;
            if (!::SetFilePointerEx(file.get(), to, nullptr, FILE_BEGIN) ||
                !::SetEndOfFile(file.get()))
                break; // the deletion still frees the rest
        }
    return ::CloseHandle(file.release()) != FALSE;
}

bool WriteLines(void* file, std::size_t count,
                const std::function<std::string_view(std::size_t)>& line,
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
    return WriteLines(file, lines.size(),
                      [&](std::size_t i) { return std::string_view(lines[i]); });
}

// --- Folders of the elevated run -------------------------------------------------

namespace {

// A security descriptor from its SDDL text, freed with LocalFree.
class Descriptor {
public:
    explicit Descriptor(const char* sddl) {
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd_,
                                                                    nullptr))
            sd_ = nullptr;
    }
    ~Descriptor() { ::LocalFree(sd_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    SECURITY_ATTRIBUTES* Attributes() {
        if (!sd_)
            return nullptr;
        sa_ = {sizeof sa_, sd_, FALSE};
        return &sa_;
    }

private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
    SECURITY_ATTRIBUTES sa_{};
};

// P: the parent's entries are not inherited. OICI: files and folders inside get the same.
constexpr const char* kAdminOnly = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr const char* kProgramFolder = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

} // namespace

FolderHold::FolderHold(FolderHold&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}

FolderHold& FolderHold::operator=(FolderHold&& o) noexcept {
    if (this != &o) {
        Release();
        handle_ = std::exchange(o.handle_, nullptr);
    }
    return *this;
}

void FolderHold::Release() {
    if (handle_)
        ::CloseHandle(std::exchange(handle_, nullptr));
}

FolderHold HoldFolder(const std::string& path) {
    // Reading the listing makes the handle count in the sharing checks: no
    // one can then open the folder for deleting or renaming it. The reparse
    // flag opens a link itself, not what it leads to.
    FileHandle handle(::CreateFileA(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!handle ||
        !::GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &info, sizeof info) ||
        (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    // Wine opens the target of a Unix link despite the flag and reports that;
    // its path still shows the link. Held now, the name cannot change.
    const DWORD attr = ::GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    return FolderHold(handle.release());
}

NewFolder CreateAdminFolder(const std::string& path, FolderHold& hold) {
    Descriptor sd(kAdminOnly);
    SECURITY_ATTRIBUTES* sa = sd.Attributes();
    if (!sa)
        return NewFolder::Failed;
    if (!::CreateDirectoryA(path.c_str(), sa))
        return ::GetLastError() == ERROR_ALREADY_EXISTS ? NewFolder::Taken : NewFolder::Failed;
    hold = HoldFolder(path);
    if (!hold) {
        // Ours but not holdable (replaced meanwhile by a link?): not left
        // behind. RemoveDirectory takes a junction itself, not its target.
        ::RemoveDirectoryA(path.c_str());
        return NewFolder::Failed;
    }
    return NewFolder::Created;
}

bool UsersMayWrite(const std::string& folder) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return true;
    const std::unique_ptr<void, decltype(&::LocalFree)> free(sd, &::LocalFree);
    return AclLetsUsersWrite(dacl);
}

bool AclLetsUsersWrite(const void* list) {
    auto* dacl = static_cast<ACL*>(const_cast<void*>(list));
    if (!dacl)
        return true;
    constexpr WELL_KNOWN_SID_TYPE kOrdinary[] = {WinWorldSid, WinAuthenticatedUserSid,
                                                 WinBuiltinUsersSid, WinInteractiveSid};
    constexpr ACCESS_MASK kWrite = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_DATA |
                                   FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                   WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace))
            continue;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (!(allowed->Mask & kWrite))
            continue;
        for (WELL_KNOWN_SID_TYPE type : kOrdinary)
            if (::IsWellKnownSid(&allowed->SidStart, type))
                return true;
    }
    return false;
}

namespace {

// A new folder with a program folder's access when ordinary users may write
// in its parent; else with what it inherits. False with the error code set.
bool CreateProgramFolder(const std::string& path, const std::string& parent) {
    if (UsersMayWrite(parent)) {
        Descriptor sd(kProgramFolder);
        SECURITY_ATTRIBUTES* sa = sd.Attributes();
        if (!sa) {
            ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        return ::CreateDirectoryA(path.c_str(), sa) != FALSE;
    }
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

} // namespace

TargetFolder CreateTargetFolder(const std::string& path) {
    const std::string dir = rt::WithoutTrailingBackslash(path);
    if (dir.size() < 3 || dir[1] != ':' || dir[2] != '\\' || dir.size() >= kMaxAnsiDirectory)
        return TargetFolder::Failed;
    bool created = false;
    // The drive root is the system's; every folder below it is looked at in turn.
    for (std::size_t end = dir.find('\\', 3);; end = dir.find('\\', end + 1)) {
        const std::string folder = dir.substr(0, end);
        const std::size_t cut = folder.rfind('\\');
        const std::string parent = dir.substr(0, cut == 2 ? 3 : cut); // a root keeps its backslash
        const DWORD attr = ::GetFileAttributesA(folder.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES) {
            if (created)
                return TargetFolder::AlreadyExists; // inside a folder just made
            if (!(attr & FILE_ATTRIBUTE_DIRECTORY))
                return TargetFolder::Failed;
            if (attr & FILE_ATTRIBUTE_REPARSE_POINT)
                return TargetFolder::ReparsePoint;
        } else {
            const DWORD why = ::GetLastError();
            if (why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND)
                return TargetFolder::Failed;
            const bool made = created ? ::CreateDirectoryA(folder.c_str(), nullptr) != FALSE
                                      : CreateProgramFolder(folder, parent);
            if (!made)
                return ::GetLastError() == ERROR_ALREADY_EXISTS ? TargetFolder::AlreadyExists
                                                                : TargetFolder::Failed;
            created = true;
        }
        if (end == std::string::npos)
            return created ? TargetFolder::Created : TargetFolder::Existed;
    }
}

bool ForceProgramDirectories(const std::string& path) {
    if (path.empty())
        throw rt::Exception(txt::SCannotCreateDir);
    // The outermost folder that is missing: the one the others inherit from.
    std::string first = rt::WithoutTrailingBackslash(path);
    for (;;) {
        if (first.size() < 3 || DirectoryExists(first))
            return ForceDirectories(path);
        const auto cut = first.find_last_of('\\');
        if (cut == std::string::npos || cut < 2)
            break;
        const std::string parent =
            first.substr(0, cut == 2 ? 3 : cut); // a drive root keeps its backslash
        if (DirectoryExists(parent)) {
            CreateProgramFolder(first, parent); // a failure is met below
            break;
        }
        first.resize(cut);
    }
    return ForceDirectories(path);
}

} // namespace tk
