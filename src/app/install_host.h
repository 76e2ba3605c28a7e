#pragma once
// The installation run's host on Windows: the file work, the copies that keep
// the window answering, the message boxes, and the other components the run
// calls (the archive component, the snapshots, the shortcut dialog, the
// launcher). What the run shows on screen goes to a RunDisplay.
#include "app/InstallRun.h"
#include "app/snapshot_host.h"
#include "backup/BackupFile.h"

#include <string>
#include <vector>

class ShortcutDialog;

namespace app {

// The steps of the run on screen; the wizard window shows them on its pages.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    virtual void ShowCopyStep() = 0;
    virtual void ShowCurrentFile(const std::string& packed, const std::string& installed) = 0;
    virtual void StepBar() = 0;
    virtual void BackToNamePage() = 0;
    virtual void ShowDriveStep(const std::string& drive) = 0;
    virtual void EndDriveStep() = 0;
    virtual void Close() = 0;
};

class InstallRunHost final : public InstallHost {
public:
    // shortcuts may be null: then no shortcut dialog is shown.
    InstallRunHost(RunDisplay& display, TBackupFile& archive, SnapshotHost& snapshots,
                   ShortcutDialog* shortcuts)
        : display_(display), archive_(archive), snapshots_(snapshots), shortcuts_(shortcuts) {}

private:
    void ShowCopyStep() override { display_.ShowCopyStep(); }
    void ShowCurrentFile(const std::string& packed, const std::string& installed) override {
        display_.ShowCurrentFile(packed, installed);
    }
    void StepBar() override { display_.StepBar(); }
    void BackToNamePage() override { display_.BackToNamePage(); }
    void ShowDriveStep(const std::string& drive) override { display_.ShowDriveStep(drive); }
    void EndDriveStep() override { display_.EndDriveStep(); }
    void Close() override { display_.Close(); }
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;

    bool DirectoryExists(const std::string& path) override;
    bool ForceDirectories(const std::string& path) override;
    std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override;
    bool Copy(const std::string& from, const std::string& to) override;
    void SetArchiveOnly(const std::string& path) override;
    void Delete(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) override;

    bool Restore(const std::string& archive, const std::string& targetDir) override;
    void TakeSnapshot(const std::string& driveItem, const std::string& designation,
                      const std::string& targetDir) override;
    void ShowShortcutDialog(const std::string& targetDir) override;
    void StartLauncher(const std::string& path) override;

    RunDisplay& display_;
    TBackupFile& archive_;
    SnapshotHost& snapshots_;
    ShortcutDialog* shortcuts_;
};

} // namespace app

// Wine stands in for Windows where a platform feature is missing there.
bool RunningUnderWine();
