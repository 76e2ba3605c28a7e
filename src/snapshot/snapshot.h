#pragma once
// The drive snapshot and the registry snapshot, which the installation run
// takes after the copy step. Which of them to take is the run's decision;
// these only list and write.
#include "toolkit/string_list.h"

#include <string>
#include <windows.h>

namespace snapshot {

// What the snapshots show and pump while they run.
class Host {
public:
    virtual ~Host() = default;
    // Shows the directory being read (shortened to fit) and paints it at once.
    virtual void ShowStatusPath(const std::string& path) = 0;
    // Handles pending window messages; tests count the calls. Called on the
    // snapshot's calling thread only, also while a worker lists and writes.
    virtual void ProcessMessages();
};

// The two work lists: the drive's directories and files, or the registry's
// keys and the subkeys of the key being listed. A snapshot leaves them
// filled (a million lines, perhaps); the caller frees them.
struct WorkLists {
    tk::TStringList dirsOrKeys;
    tk::TStringList filesOrSubkeys;
};

// Lists the drive shown as `letter` ('c'; 0 when none was chosen: no walk)
// into targetDir: "Lwdat.lst" with the designation, <letter>verz.lst and
// <letter>dat.lst. Errors of the file layer are raised as rt exceptions.
void TakeDriveSnapshot(Host& host, WorkLists& lists, char letter, const std::string& designation,
                       const std::string& targetDir);

// The names of all keys below the five registry roots into
// Reg_cr/cu/lm/u/cc.lst in targetDir, and their count into Regcnt.cfg. The
// walk and the writing run on a worker while the calling thread pumps; their
// errors are raised on the calling thread.
void TakeRegistrySnapshot(Host& host, WorkLists& lists, const std::string& targetDir);

// The same walk over other roots, in the same order of files (for tests and
// measurements that must not depend on the machine's registry).
void TakeRegistrySnapshot(Host& host, WorkLists& lists, const std::string& targetDir,
                          const HKEY (&roots)[5]);

} // namespace snapshot
