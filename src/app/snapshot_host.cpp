#include "app/snapshot_host.h"
#include "toolkit/gdi.h"

namespace app {

void SnapshotHost::Take(const std::string& driveItem, const std::string& designation,
                        const std::string& targetDir) {
    driveItem_ = driveItem;
    designation_ = designation;
    targetDir_ = targetDir;
    snapshot::TakeDriveSnapshot(*this);
}

void SnapshotHost::FreeLists() {
    dirsOrKeys_.reset();
    filesOrSubkeys_.reset();
}

void SnapshotHost::ShowStatusPath(const std::string& path) {
    ShowStatus(tk::ShortenPath(path, status_.GetFont(), status_.FixedWidth()));
}

void SnapshotHost::ShowStatus(const std::string& text) {
    status_.SetCaption(text);
    status_.Repaint();
}

void SnapshotHost::RunRegistrySnapshot() {
    snapshot::TakeRegistrySnapshot(*this);
}

} // namespace app
