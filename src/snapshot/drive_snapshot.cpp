// The drive snapshot: every directory and every file of the chosen drive.
#include "snapshot/snapshot.h"
#include "snapshot/lines.h"
#include "snapshot/ui_ticker.h"
#include "toolkit/files.h"
#include "snapshot/parallel_walk.h"
#include "snapshot/win32_fs.h"
#include "toolkit/app.h"
#include "toolkit/error_mode.h"
#include "runtime/texts.h"
#include "toolkit/handles.h"

#include <windows.h>

namespace snapshot {

namespace {
constexpr std::size_t kLinesFreedHere = 10000;
} // namespace

void Host::ProcessMessages() {
    tk::ProcessMessages();
}

void TakeDriveSnapshot(Host& host, WorkLists& lists, char letter, const std::string& designation,
                       const std::string& targetDir) {
    tk::TStringList& dirs = lists.dirsOrKeys;
    tk::TStringList& files = lists.filesOrSubkeys;
    // Lists left from an earlier snapshot may hold a million lines, whose
    // freeing takes a while of its own: not on this thread.
    if (dirs.Count() + files.Count() > kLinesFreedHere)
        tk::PumpDuring(
            [&] {
                dirs.Clear();
                files.Clear();
            },
            [&host] { host.ProcessMessages(); });
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
        // The error mode is the process's: it holds for the walk's workers too.
        tk::CriticalErrorsSuppressed quiet;
        // Workers list the directories; this thread only pumps and shows the
        // directory being read.
        ParallelWalkDrive(dirs, files, fs, ui);
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
