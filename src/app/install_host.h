#pragma once
// The installation run's host on Windows: the file work, the copies that keep
// the window answering, the message boxes, and the other components the run
// calls (the archive component, the snapshots, the shortcut dialog, the
// launcher). What the run shows on screen goes to the wizard, a RunDisplay.
#include "app/install_run.h"
#include "app/snapshot_host.h"
#include "backup/backup_file.h"
#include "runtime/payload_table.h"
#include "toolkit/files.h"
#include "toolkit/payload_room.h"
#include "toolkit/session.h"

#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

class ShortcutDialog;

namespace app {

class InstallRunHost final : public InstallHost {
public:
    // window: the wizard, which names the reason a logoff waits; status: the
    // progress page's status line; shortcuts may be null: then no shortcut
    // dialog is shown.
    InstallRunHost(HWND window, tk::TLabel& status, ShortcutDialog* shortcuts)
        : window_(window), snapshots_(status), shortcuts_(shortcuts) {}
    ~InstallRunHost() override;
    InstallRunHost(const InstallRunHost&) = delete;
    InstallRunHost& operator=(const InstallRunHost&) = delete;

private:
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;

    void BlockSessionEnd() override;
    void AllowSessionEnd() override { sessionEnd_.reset(); }

    bool DirectoryExists(const std::string& path) override;
    bool ForceDirectories(const std::string& path) override;
    NewTempDir CreateTempDir(const std::string& path) override;
    std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override;
    bool Copy(const std::string& from, const std::string& to) override;
    bool IsGenuine(const std::string& path) override;
    void SetArchiveOnly(const std::string& path) override;
    void Delete(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) override;

    RestoreResult Restore(const std::string& archive, const std::string& targetDir) override;
    void TakeDriveSnapshot(char letter, const std::string& designation,
                           const std::string& targetDir) override;
    void TakeRegistrySnapshot(const std::string& targetDir) override;
    void ShowShortcutDialog(const std::string& targetDir) override;
    void StartLauncher(const std::string& path) override;

    HWND window_;
    std::optional<tk::SessionEndBlock> sessionEnd_;
    TBackupFile archive_; // at its defaults
    // What the signature covers besides Setup.exe: a table that cannot be
    // read (none bound, or damaged) accepts nothing.
    const rt::PayloadTableResult payload_ = tk::OwnPayloadTable();
    std::set<std::string> genuine_; // copies checked, in the temporary folder only we can change
    // Copies into the temporary folder hash their bytes on the way: the check
    // takes the hash from here instead of reading the copy again.
    std::map<std::string, rt::RecordedDigest> copied_;
    std::string tempDir_;       // the run's temporary folder once created, with a backslash
    tk::FolderHold targetHold_; // the target, from its creation until the launcher has started
    SnapshotHost snapshots_;
    // Shared by the two snapshots; kept (a million lines, perhaps) until the run ends.
    snapshot::WorkLists lists_;
    ShortcutDialog* shortcuts_;
    tk::FolderHold tempDirHold_; // the run's temporary folder, from its creation to its removal
};

// The folder Setup.exe was started from, without a trailing backslash ("D:"
// for "D:\Setup.exe").
std::string InstallerFolder();

} // namespace app
