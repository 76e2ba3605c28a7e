#pragma once
// The file layer the installer's steps use: existence tests, directory
// creation, and text files written the runtime's way (CR LF after every line).
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);

// Creates the directory with all missing parents; an existing directory counts
// as success. An empty path raises "Das Verzeichnis kann nicht erstellt werden".
bool ForceDirectories(const std::string& path);

// Creates path anew and writes every line followed by CR LF. Any failure to
// create, write or close raises EInOutError with the OS error code.
void WriteTextFile(const std::string& path, const std::vector<std::string>& lines);

// Deletes a file as DeleteFileA does, but empties it first, kEmptyingStep
// bytes from the end at a time, through a handle that may delete it: under
// Wine the server frees the blocks of an unlink or a truncation and answers no
// program meanwhile, 50 ms for a file of 300 MB. While the disk is still busy
// writing what the installation wrote before, a step of 8 MB held it for up to
// 30 ms, one of 2 MB seldom for over 16; under Wine the file is therefore
// written out before the first cut. A file that cannot be opened so is left
// to DeleteFileA.
constexpr long long kEmptyingStep = 2ll << 20;
bool EmptyAndDelete(const std::string& path);

// Writes every line followed by CR LF to an open file handle, in large pieces.
// False when a write fails or writes nothing; the OS error code then tells why
// (0 for a short write). line(i) gives line i of count; pump, if given, runs
// after each piece so that a long list keeps the window answering.
bool WriteLines(void* file, std::size_t count,
                const std::function<std::string_view(std::size_t)>& line,
                const std::function<void()>& pump = {});
bool WriteLines(void* file, const std::vector<std::string>& lines);

// --- Folders of the elevated run -------------------------------------------------

// A folder held open without delete sharing, and not through a reparse point:
// while held it can be neither renamed, deleted nor replaced by a junction.
// Files inside stay usable. Release() closes it (before the folder's removal).
class FolderHold {
public:
    FolderHold() = default;
    explicit FolderHold(void* handle) : handle_(handle) {}
    FolderHold(FolderHold&& o) noexcept;
    FolderHold& operator=(FolderHold&& o) noexcept;
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;
    ~FolderHold() { Release(); }
    explicit operator bool() const { return handle_ != nullptr; }
    void Release();

private:
    void* handle_ = nullptr;
};

enum class NewFolder { Created, Taken, Failed };

// Creates one folder (its parent must exist) that only SYSTEM and
// Administrators may open, owned by Administrators, its files inheriting
// that, and holds it. Taken when the name exists already, whoever made it:
// a folder the caller did not create is never used.
NewFolder CreateAdminFolder(const std::string& path, FolderHold& hold);

// Whether the folder's access list lets Everyone, Authenticated Users, Users or
// interactive users create, change or delete anything in it (denials are not
// subtracted: in doubt the answer is yes). A folder that cannot be read counts as writable.
bool UsersMayWrite(const std::string& folder);
// The same for an access list (an ACL; null: no list, everyone may do everything).
bool AclLetsUsersWrite(const void* dacl);

// Holds an existing folder (see FolderHold); an empty hold when it cannot be
// opened, or is a junction, symbolic link or mount point: a reparse point
// would lead elsewhere after the check.
FolderHold HoldFolder(const std::string& path);

// How the creation of a target folder ended.
enum class TargetFolder {
    Created,       // this run made the target (and whichever parents were missing)
    Existed,       // every folder of the path was there already
    AlreadyExists, // a folder that was missing appeared before this run could make it
    ReparsePoint,  // an existing folder of the path is a reparse point
    Failed,        // not a drive path, too long, a file in the way, or creation failed
};

// Creates each missing folder of "X:\a\b" itself, in order, and never uses a
// folder that someone else made meanwhile (CreateDirectory's
// ERROR_ALREADY_EXISTS). Existing folders must be plain folders: a reparse
// point could send the files elsewhere. The outermost folder it creates gets a
// program folder's access when its parent lets ordinary users write (as
// ForceProgramDirectories). Hold the result with HoldFolder.
TargetFolder CreateTargetFolder(const std::string& path);

// ForceDirectories for a program folder: when the first folder it creates lies
// in a folder that ordinary users may write to, that folder gets the access a
// program folder has (SYSTEM and Administrators full, Users read and execute),
// inherited by everything below it; otherwise the inherited access stays.
bool ForceProgramDirectories(const std::string& path);

} // namespace tk
