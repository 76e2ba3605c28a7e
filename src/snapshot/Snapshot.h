#pragma once
// The drive snapshot and the registry snapshot: the execute handlers of the
// wizard window's actions LwEinlesen and RegEinlesen.
#include "toolkit/stringlist.h"

#include <string>
#include <windows.h>

namespace snapshot {

// What the two handlers need from the wizard window.
class Host {
public:
    virtual ~Host() = default;
    virtual tk::TStringList& List1() = 0;
    virtual tk::TStringList& List2() = 0;
    // Item text of DriveComboBox1 ("c: [SYSTEM]"), "" when no item is selected.
    virtual std::string SelectedDriveText() = 0;
    // Text of Edit3.
    virtual std::string Designation() = 0;
    virtual std::string TargetDir() = 0;
    // Shows the directory being read (shortened to fit) and paints it at once.
    virtual void ShowStatusPath(const std::string& path) = 0;
    // Shows a line of text in the same place.
    virtual void ShowStatus(const std::string& text) = 0;
    // Executes the action RegEinlesen and returns when its handler returns.
    virtual void ExecuteRegEinlesen() = 0;
    // Handles pending window messages; tests count the calls.
    virtual void ProcessMessages();
};

// LwEinlesenExecute: lists the chosen drive into TargetDir ("Lwdat.lst",
// <letter>verz.lst, <letter>dat.lst) and runs RegEinlesen when the drive is
// the target's drive. Errors of the file layer are raised as rt exceptions.
void LwEinlesenExecute(Host& host);

// RegEinlesenExecute: the names of all keys below the five registry roots
// into Reg_cr/cu/lm/u/cc.lst, and their count into Regcnt.cfg.
void RegEinlesenExecute(Host& host);

// The same walk over other roots, in the same order of files (for tests and
// measurements that must not depend on the machine's registry).
void RegEinlesenExecute(Host& host, const HKEY (&roots)[5]);

} // namespace snapshot
