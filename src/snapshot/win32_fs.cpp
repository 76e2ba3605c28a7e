#include "snapshot/win32_fs.h"

namespace snapshot {

std::uint32_t LocalDosDateTime(const FILETIME& utc) {
    FILETIME local;
    WORD date = 0, time = 0;
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

bool Win32Fs::IsDirectory(const std::string& path, const ListedEntry& e) const {
    if (!NeedsDirectoryTest(e.name, e.attributes))
        return false;
    if (!FitsAnsi(path))
        return false;
    const DWORD attr = ::GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace snapshot
