#pragma once
// The two breadth-first walks of the snapshots, independent of the platform:
// the file system, the registry and the window are passed in, so the order
// rules are built and tested without Windows.
//
// List: Add(std::string), Clear(), Count(), operator[](size_t)
// Fs:   bool List(const std::string& dir, F each)  -- each(const ListedEntry&) per entry
//                                                      in listing order; false when the
//                                                      listing cannot be started
//       bool IsDirectory(const std::string& path, const ListedEntry& e)
//                                                   -- whether the path names a directory
// Reg:  bool Open(const std::string& path)         -- "" the root, else "\" + key path;
//                                                      closes the key opened before
//       void SubkeyNames(List& out, Ui& ui)        -- direct subkeys of the open key, by
//                                                      index, ui.Pump() after each; nothing
//                                                      after a failed Open
// Ui:   void Pump(); void ShowDirectory(const std::string& path)
#include "snapshot/lines.h"

#include <cstdint>
#include <string>
#include <vector>

namespace snapshot {

struct ListedEntry {
    const char* name;
    std::uint32_t attributes;
    std::uint32_t sizeLow;
    std::uint32_t dosDateTime;
    // A symbolic link, junction or mount point: recorded as a directory when it
    // tests as one, but never descended into, so the walk cannot run in a
    // cycle or onto another volume.
    bool directoryLink;
};

inline bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Whether the path formed from a listed entry must be asked whether it names a
// directory. A plain file entry whose name the platform takes as it is names
// that very entry, so its path cannot test as a directory; asking anyway costs
// a file-system call per file. Directories, reparse points and names that
// Win32 path parsing would alter (a trailing dot or blank) are asked.
inline bool NeedsDirectoryTest(const char* name, std::uint32_t attributes) {
    constexpr std::uint32_t kDirectory = 0x10, kReparsePoint = 0x400;
    if (attributes & (kDirectory | kReparsePoint))
        return true;
    std::size_t n = 0;
    while (name[n] != 0)
        ++n;
    return n == 0 || name[n - 1] == '.' || name[n - 1] == ' ';
}

// dirs holds the root as its only entry (or one empty entry: no drive, no walk).
template <class List, class Fs, class Ui> void WalkDrive(List& dirs, List& files, Fs& fs, Ui& ui) {
    std::vector<bool> link(dirs.Count(), false); // parallel to dirs
    std::size_t index = 0;
    std::string current = dirs.Count() > 0 ? std::string(dirs[0]) : std::string();
    bool descend = true;
    std::string path, line;
    while (!current.empty()) {
        if (descend) {
            bool first = true;
            // A listing that cannot be started leaves the directory as it is recorded.
            fs.List(current, [&](const ListedEntry& e) {
                if (!IsDotOrDotDot(e.name)) {
                    path.assign(current).append(1, '\\').append(e.name);
                    if (fs.IsDirectory(path, e)) {
                        dirs.Add(path);
                        link.push_back(e.directoryLink);
                    } else {
                        line.clear();
                        AppendFileLine(line, current, e.name, e.sizeLow, e.dosDateTime,
                                       e.attributes);
                        files.Add(line);
                    }
                }
                if (!first)
                    ui.Pump();
                first = false;
            });
        }
        ++index;
        if (index < dirs.Count()) {
            current = dirs[index];
            descend = !link[index];
            ui.ShowDirectory(current);
        } else {
            current.clear();
        }
        ui.Pump();
    }
}

// Fills keys with the paths of all keys below the open root, breadth-first.
// Returns the number of keys.
template <class List, class Reg, class Ui>
std::size_t WalkRegistryRoot(List& keys, List& names, Reg& reg, Ui& ui) {
    keys.Clear();
    if (reg.Open(std::string()))
        reg.SubkeyNames(keys, ui);
    std::string path;
    for (std::size_t index = 0; index < keys.Count(); ++index) {
        names.Clear();
        path.assign(1, '\\').append(keys[index]);
        // A key that cannot be opened keeps its line and contributes no subkeys.
        if (reg.Open(path))
            reg.SubkeyNames(names, ui);
        for (std::size_t i = 0; i < names.Count(); ++i) {
            path.assign(keys[index]).append(1, '\\').append(names[i]);
            keys.Add(path);
        }
        names.Clear();
        ui.Pump();
    }
    return keys.Count();
}

} // namespace snapshot
