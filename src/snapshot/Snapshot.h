#pragma once
// The drive snapshot and the registry snapshot, run by the installation run
// after the copy step.
#include "toolkit/stringlist.h"

#include <string>
#include <windows.h>

namespace snapshot {

// What the two snapshots need from their host.
class Host {
public:
    virtual ~Host() = default;
    // The two work lists: the drive's directories and files, or the registry's
    // keys and the subkeys of the key being listed.
    virtual tk::TStringList& DirsOrKeys() = 0;
    virtual tk::TStringList& FilesOrSubkeys() = 0;
    // The drive list's selected item text ("c: [SYSTEM]"), "" when no item is selected.
    virtual std::string DriveItem() = 0;
    // The designation the user gave the drive.
    virtual std::string Designation() = 0;
    virtual std::string TargetDir() = 0;
    // Shows the directory being read (shortened to fit) and paints it at once.
    virtual void ShowStatusPath(const std::string& path) = 0;
    // Shows a line of text in the same place.
    virtual void ShowStatus(const std::string& text) = 0;
    // Takes the registry snapshot and returns when it is done.
    virtual void RunRegistrySnapshot() = 0;
    // Handles pending window messages; tests count the calls.
    virtual void ProcessMessages();
};

// TakeDriveSnapshot: lists the chosen drive into TargetDir ("Lwdat.lst",
// <letter>verz.lst, <letter>dat.lst) and takes the registry snapshot when the drive is
// the target's drive. Errors of the file layer are raised as rt exceptions.
void TakeDriveSnapshot(Host& host);

// TakeRegistrySnapshot: the names of all keys below the five registry roots
// into Reg_cr/cu/lm/u/cc.lst, and their count into Regcnt.cfg.
void TakeRegistrySnapshot(Host& host);

// The same walk over other roots, in the same order of files (for tests and
// measurements that must not depend on the machine's registry).
void TakeRegistrySnapshot(Host& host, const HKEY (&roots)[5]);

} // namespace snapshot
