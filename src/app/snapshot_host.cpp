#include "app/snapshot_host.h"
#include "toolkit/gdi.h"

namespace app {

void SnapshotHost::ShowStatusPath(const std::string& path) {
    ShowStatus(tk::ShortenPath(path, status_.GetFont(), status_.FixedWidth()));
}

void SnapshotHost::ShowStatus(const std::string& text) {
    status_.SetCaption(text);
    status_.Repaint();
}

} // namespace app
