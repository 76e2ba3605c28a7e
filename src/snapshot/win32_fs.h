#pragma once
// The drive walk's file system on Win32 (the Fs of walk.h and parallel_walk.h),
// shared by the drive snapshot and its benchmark. It holds no state: the
// parallel walk calls it from several threads at once.
#include "snapshot/walk.h"
#include "toolkit/handles.h"

#include <cstdint>
#include <string>
#include <windows.h>

namespace snapshot {

// The ANSI functions take paths of fewer than MAX_PATH characters; a "\\?\"
// prefix lifts that only on Windows 10 and later, for a long-path-aware program
// on a system that allows it, and it pushes a path of 259 characters over the
// limit. Longer paths are not passed on at all, so every platform and setting
// gives the same lists: a directory whose pattern is too long cannot be listed
// and keeps its entry; a path too long to be tested counts as a file, as any
// failed test does.
inline bool FitsAnsi(const std::string& path) {
    return path.size() < MAX_PATH;
}

// The last-write time as a local DOS date and time; 0 for a time stamp that
// DOS cannot express (before 1980).
std::uint32_t LocalDosDateTime(const FILETIME& utc);

// Symbolic links, junctions and mount points.
bool IsDirectoryLink(const WIN32_FIND_DATAA& fd);

class Win32Fs {
public:
    // Attribute mask 63 of the listing: nothing is left out for its attributes,
    // so every entry the platform returns is taken. FindExInfoBasic leaves out
    // the short 8.3 name, which the lists never show and which costs the file
    // system a lookup per entry; FIND_FIRST_EX_LARGE_FETCH fetches a directory
    // in few large calls instead of many small ones.
    template <class F> bool List(const std::string& dir, F&& each) const {
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

    // Asked of the path, not taken from the entry's bits, for the entries that
    // NeedsDirectoryTest names; a failed test counts as a file.
    bool IsDirectory(const std::string& path, const ListedEntry& e) const;
};

} // namespace snapshot
