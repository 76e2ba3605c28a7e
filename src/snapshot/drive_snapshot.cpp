// The drive snapshot: every directory and every file of the chosen drive.
#include "snapshot/Snapshot.h"
#include "snapshot/lines.h"
#include "snapshot/ui_ticker.h"
#include "toolkit/files.h"
#include "snapshot/parallel_walk.h"
#include "snapshot/win32_fs.h"
#include "toolkit/app.h"
#include "toolkit/errormode.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"

#include <windows.h>

namespace snapshot {

void Host::ProcessMessages() {
    tk::ProcessMessages();
}

void TakeDriveSnapshot(Host& host) {
    tk::TStringList& dirs = host.DirsOrKeys();
    tk::TStringList& files = host.FilesOrSubkeys();
    dirs.Clear();
    files.Clear();
    dirs.SetSorted(false);
    files.SetSorted(false);

    const std::string drive = DriveOfItem(host.DriveItem());
    const std::string root = RootOfDrive(drive);
    const std::string targetDir = host.TargetDir();
    dirs.Add(root);
    const bool driveIsTarget = DriveEqualsTarget(drive, targetDir);

    Win32Fs fs;
    UiTicker ui(host, /*withLabel=*/true);
    {
        // The drive may be a floppy or card taken out since the drive page.
        // The error mode is the process's: it holds for the walk's workers too.
        tk::CriticalErrorsSuppressed quiet;
        // Workers list the directories; this thread only pumps and shows the
        // directory being read.
        ParallelWalkDrive(dirs, files, fs, ui);
    }
    if (!root.empty())
        ui.Finish(); // the last directory stays shown

    // Sorting and saving a million lines takes seconds: the window goes on answering.
    const tk::TStringList::Pump pump = [&ui] { ui.Pump(); };
    dirs.SetSorted(true, pump);
    files.SetSorted(true, pump);

    tk::WriteTextFile(LwdatPath(targetDir), {LwdatLine(root, host.Designation())});
    dirs.SaveToFile(DirListPath(targetDir, drive), pump);
    files.SaveToFile(FileListPath(targetDir, drive), pump);

    if (driveIsTarget) {
        host.ShowStatus(txt::RegistryReading);
        host.RunRegistrySnapshot();
    }
}

} // namespace snapshot
