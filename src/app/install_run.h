#pragma once
// The installation run behind "&Installieren", free of Windows: the steps in
// their order, the messages and the way back to the name page. What it shows
// goes to a RunDisplay (the progress page), where it leads to a RunWizard,
// what touches the machine to an InstallHost; the tests fake all three.
#include "app/wizard/wizard_model.h"

#include <string>
#include <vector>

namespace app {

// How the creation of the temporary folder ended.
enum class NewTempDir { Created, Taken, Failed };

// How a restore ended. Foreign: a volume the restore opened after its disk
// prompt is not one of the installer's own files; the restore stopped there.
enum class RestoreResult { Restored, Failed, Foreign };

// The run's steps on screen: the wizard's progress page.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    // The copy step shown, its title bold, the bar empty.
    virtual void ShowCopyStep() = 0;
    // The packed file and the path it is installed as, shown before its copy.
    virtual void ShowCurrentFile(const std::string& packed, const std::string& installed) = 0;
    // The bar one step on, then pending window messages handled.
    virtual void StepBar() = 0;
    // The drive-reading step with its animation; drive is "C:" ("" with none chosen).
    virtual void ShowDriveStep(const std::string& drive) = 0;
    virtual void EndDriveStep() = 0;
};

// The wizard around the run: which page it shows, and its end.
class RunWizard {
public:
    virtual ~RunWizard() = default;
    // Buttons hidden or disabled, the progress page shown.
    virtual void ShowProgressPage() = 0;
    // "&Zurück" and "&Weiter" back, the name page, the focus in the target.
    virtual void BackToNamePage() = 0;
    // Closes the window once the run has returned.
    virtual void Close() = 0;
};

// The machine and the other components the run calls.
class InstallHost {
public:
    virtual ~InstallHost() = default;

    // --- Boxes ---
    virtual void ShowError(const std::string& text) = 0;
    // The confirmation box; true for "&Ja".
    virtual bool Confirm(const std::string& text) = 0;

    // --- The session ---
    // While the run copies and lists, a logoff or shutdown waits; the
    // questions after it (shortcuts, starting the product) hold nothing up.
    virtual void BlockSessionEnd() = 0;
    virtual void AllowSessionEnd() = 0;

    // --- The machine (full paths) ---
    virtual bool DirectoryExists(const std::string& path) = 0;
    // The target directory, every missing folder of the path made by this run
    // and the target held until the run ends; false when it or a folder on
    // the way appeared meanwhile, or an existing folder on the way is a link.
    virtual bool ForceDirectories(const std::string& path) = 0;
    // The temporary folder (its parent is the drive root), for this run alone
    // and held until RemoveDir; Taken when the name exists, whoever made it.
    virtual NewTempDir CreateTempDir(const std::string& path) = 0;
    // Names (not paths) of the files in dir that match a wildcard pattern.
    virtual std::vector<std::string> FindFiles(const std::string& dir,
                                               const std::string& pattern) = 0;
    // Replaces an existing destination.
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    // Whether a copy in the temporary folder is the publisher's: its name,
    // size and hash are in the table bound into the signed installer.
    virtual bool IsGenuine(const std::string& path) = 0;
    // Attributes "archive" only: read-only, hidden and system cleared.
    virtual void SetArchiveOnly(const std::string& path) = 0;
    virtual void Delete(const std::string& path) = 0;
    virtual bool RemoveDir(const std::string& path) = 0;
    // Lines ended by CR LF; raises an input/output error.
    virtual void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) = 0;

    // --- The other units ---
    // The archive component's restore, every volume it opens checked as
    // IsGenuine does; may show its own boxes and raise.
    virtual RestoreResult Restore(const std::string& archive, const std::string& targetDir) = 0;
    // The drive snapshot of the drive shown as letter (0: none chosen) into targetDir; raises.
    virtual void TakeDriveSnapshot(char letter, const std::string& designation,
                                   const std::string& targetDir) = 0;
    // The registry snapshot into targetDir, its step shown in the status line; raises.
    virtual void TakeRegistrySnapshot(const std::string& targetDir) = 0;
    virtual void ShowShortcutDialog(const std::string& targetDir) = 0;
    virtual void StartLauncher(const std::string& path) = 0;
};

// One installation run; returns when the window is closing, the wizard is
// back on the name page, or an error raised below it ends the run.
// programDir: the installer's folder, without a trailing backslash.
void InstallRun(const wizard::WizardModel& model, const std::string& programDir, RunWizard& wizard,
                RunDisplay& display, InstallHost& host);

// The continuation volumes beside a packed file: the names in its folder that
// are its base name, a dot and three digits, in the order of the digits.
std::vector<std::string> VolumeNames(const std::string& packedName,
                                     std::vector<std::string> namesInFolder);

} // namespace app
