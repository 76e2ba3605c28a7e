#pragma once
// What the wizard's pages collect, each value taken once, where the user gives
// it: the page that owns a field writes it into the model when it is left
// forward, and every later page and the installation run read the model.
#include "shell/drive_label.h"

#include <string>
#include <string_view>

namespace wizard {

// The drive to watch, as the drive page's list offered it.
class DriveChoice {
public:
    DriveChoice() = default;
    // itemText: the list's selected item ("c: [SYSTEM]"), "" when none is selected.
    static DriveChoice FromItem(std::string_view itemText, shell::TDriveType kind);

    // The letter as the list shows it ('c'), 0 when no drive was chosen. The
    // list files are named after it ("cverz.lst").
    char Letter() const { return shown_.empty() ? '\0' : shown_[0]; }
    shell::TDriveType Kind() const { return kind_; }
    // "C:": the walk's root, and the drive as the summary and the progress page show it.
    std::string Root() const;
    // "c:\": the folder that must be there when the drive page is left; with no
    // drive chosen a lone backslash, the current drive's root.
    std::string RootFolder() const;
    // Whether the target directory lies on this drive (a-z compared without case).
    bool Holds(std::string_view targetDir) const;

private:
    std::string shown_; // the item's first two characters, "c:" (or fewer)
    shell::TDriveType kind_ = shell::dtUnknown;
};

struct WizardModel {
    std::string name;   // exactly as typed
    std::string target; // exactly as typed, or as proposed
    DriveChoice drive;
    std::string designation; // the name the user gives the drive
    // The target without a trailing backslash: what the run creates and fills.
    std::string TargetDir() const;
};

} // namespace wizard
