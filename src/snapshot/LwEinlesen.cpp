// The drive snapshot: every directory and every file of the chosen drive.
#include "snapshot/Snapshot.h"
#include "snapshot/lines.h"
#include "snapshot/pump.h"
#include "toolkit/files.h"
#include "snapshot/walk.h"
#include "toolkit/app.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"

#include <windows.h>

namespace snapshot {

void Host::ProcessMessages() {
    tk::ProcessMessages();
}

namespace {

// Paths at or beyond MAX_PATH only work with the "\\?\" prefix.
const char* LongPath(const std::string& path, std::string& buffer) {
    if (path.size() < MAX_PATH - 1)
        return path.c_str();
    buffer.assign("\\\\?\\").append(path);
    return buffer.c_str();
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
        WIN32_FIND_DATAA fd;
        tk::FindHandle find(::FindFirstFileExA(LongPath(pattern, buffer_), FindExInfoBasic, &fd,
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
        const DWORD attr = ::GetFileAttributesA(LongPath(path, buffer_));
        return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
    }

private:
    std::string buffer_;
};

} // namespace

void LwEinlesenExecute(Host& host) {
    tk::TStringList& dirs = host.List1();
    tk::TStringList& files = host.List2();
    dirs.Clear();
    files.Clear();
    dirs.SetSorted(false);
    files.SetSorted(false);

    const std::string drive = DriveOfItem(host.SelectedDriveText());
    const std::string root = RootOfDrive(drive);
    const std::string targetDir = host.TargetDir();
    dirs.Add(root);
    const bool driveIsTarget = DriveEqualsTarget(drive, targetDir);

    Win32Fs fs;
    UiTicker ui(host, /*withLabel=*/true);
    WalkDrive(dirs, files, fs, ui);
    if (!root.empty())
        ui.Finish(); // the last directory stays in Label44

    // Sorting and saving a million lines takes seconds: the window goes on answering.
    const tk::TStringList::Pump pump = [&ui] { ui.Pump(); };
    dirs.SetSorted(true, pump);
    files.SetSorted(true, pump);

    tk::WriteTextFile(LwdatPath(targetDir), {LwdatLine(root, host.Designation())});
    dirs.SaveToFile(DirListPath(targetDir, drive), pump);
    files.SaveToFile(FileListPath(targetDir, drive), pump);

    if (driveIsTarget) {
        host.SetLabel44(txt::RegistryReading);
        host.ExecuteRegEinlesen();
    }
}

} // namespace snapshot
