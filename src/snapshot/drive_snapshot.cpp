// The drive snapshot: every directory and every file of the chosen drive.
#include "snapshot/snapshot.h"
#include "snapshot/lines.h"
#include "snapshot/ui_ticker.h"
#include "toolkit/files.h"
#include "snapshot/walk.h"
#include "toolkit/app.h"
#include "toolkit/error_mode.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"

#include <windows.h>

namespace snapshot {

void Host::ProcessMessages() {
    tk::ProcessMessages();
}

namespace {

// The ANSI functions take paths of fewer than MAX_PATH characters; a "\\?\"
// prefix lifts that only on Windows 10 and later, for a long-path-aware program
// on a system that allows it, and it pushes a path of 259 characters over the
// limit. Longer paths are not passed on at all, so every platform and setting
// gives the same lists: a directory whose pattern is too long cannot be listed
// and keeps its entry; a path too long to be tested counts as a file, as any
// failed test does.
bool FitsAnsi(const std::string& path) {
    return path.size() < MAX_PATH;
}

std::uint32_t LocalDosDateTime(const FILETIME& utc) {
    FILETIME local;
    WORD date = 0, time = 0;
    // A time stamp that DOS cannot express (before 1980) is written as 0.
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return (static_cast<std::uint32_t>(date) << 16) | time;
}

bool IsDirectoryLink(const WIN32_FIND_DATAA& fd) {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    // Symbolic links, junctions and mount points are name surrogates. Wine
    // reports a Unix symbolic link as a reparse point without a tag.
    return IsReparseTagNameSurrogate(fd.dwReserved0) || fd.dwReserved0 == 0;
}

class Win32Fs {
public:
    // Attribute mask 63 of the listing: nothing is left out for its attributes,
    // so every entry the platform returns is taken.
    template <class F> bool List(const std::string& dir, F&& each) {
        const std::string pattern = dir + "\\*.*";
        if (!FitsAnsi(pattern))
            return false;
        WIN32_FIND_DATAA fd;
        tk::FindHandle find(::FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &fd,
                                               FindExSearchNameMatch, nullptr,
                                               FIND_FIRST_EX_LARGE_FETCH));
        if (!find)
            return false;
        do {
            const ListedEntry e{fd.cFileName, fd.dwFileAttributes, fd.nFileSizeLow,
                                LocalDosDateTime(fd.ftLastWriteTime), IsDirectoryLink(fd)};
            each(e);
        } while (::FindNextFileA(find.get(), &fd));
        return true;
    }

    bool IsDirectory(const std::string& path, const ListedEntry& e) {
        if (!NeedsDirectoryTest(e.name, e.attributes))
            return false;
        if (!FitsAnsi(path))
            return false;
        const DWORD attr = ::GetFileAttributesA(path.c_str());
        return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
    }
};

} // namespace

void TakeDriveSnapshot(Host& host, WorkLists& lists, char letter, const std::string& designation,
                       const std::string& targetDir) {
    tk::TStringList& dirs = lists.dirsOrKeys;
    tk::TStringList& files = lists.filesOrSubkeys;
    dirs.Clear();
    files.Clear();
    dirs.SetSorted(false);
    files.SetSorted(false);

    const std::string drive = letter ? std::string{letter, ':'} : std::string();
    const std::string root = RootOfDrive(drive);
    dirs.Add(root);

    Win32Fs fs;
    UiTicker ui(host, /*withLabel=*/true);
    {
        // The drive may be a floppy or card taken out since the drive page.
        tk::CriticalErrorsSuppressed quiet;
        WalkDrive(dirs, files, fs, ui);
    }
    if (!root.empty())
        ui.Finish(); // the last directory stays shown

    const auto sortAndSave = [&] {
        dirs.SetSorted(true);
        files.SetSorted(true);
        tk::WriteTextFile(LwdatPath(targetDir), {LwdatLine(root, designation)});
        dirs.SaveToFile(DirListPath(targetDir, drive));
        files.SaveToFile(FileListPath(targetDir, drive));
    };
    // Sorting and saving a million lines takes seconds: a worker does it while
    // this thread answers each message as it comes. With no drive there is
    // nothing to sort, and three lines are no reason for a thread.
    if (root.empty())
        sortAndSave();
    else
        tk::PumpDuring(sortAndSave, [&host] { host.ProcessMessages(); });
}

} // namespace snapshot
