#pragma once
// The host of the drive and registry snapshots: their two work lists, the
// values of one run, passed in together, and the status line that shows the
// directory being read.
#include "snapshot/Snapshot.h"
#include "toolkit/controls.h"
#include "toolkit/stringlist.h"

#include <memory>
#include <string>

namespace app {

class SnapshotHost final : public snapshot::Host {
public:
    // status: the line under the drive animation, shortened to its fixed width.
    explicit SnapshotHost(tk::TLabel& status) : status_(status) {}
    SnapshotHost(const SnapshotHost&) = delete;
    SnapshotHost& operator=(const SnapshotHost&) = delete;

    // Lists the drive of driveItem ("c: [SYSTEM]") into targetDir, and the
    // registry's key names too when that drive holds targetDir; raises.
    void Take(const std::string& driveItem, const std::string& designation,
              const std::string& targetDir);
    // Frees the lists (a snapshot may leave a million lines in them).
    void FreeLists();

private:
    tk::TStringList& DirsOrKeys() override { return *dirsOrKeys_; }
    tk::TStringList& FilesOrSubkeys() override { return *filesOrSubkeys_; }
    std::string DriveItem() override { return driveItem_; }
    std::string Designation() override { return designation_; }
    std::string TargetDir() override { return targetDir_; }
    void ShowStatusPath(const std::string& path) override;
    void ShowStatus(const std::string& text) override;
    void RunRegistrySnapshot() override;

    tk::TLabel& status_;
    std::unique_ptr<tk::TStringList> dirsOrKeys_ = std::make_unique<tk::TStringList>();
    std::unique_ptr<tk::TStringList> filesOrSubkeys_ = std::make_unique<tk::TStringList>();
    std::string driveItem_, designation_, targetDir_;
};

} // namespace app
