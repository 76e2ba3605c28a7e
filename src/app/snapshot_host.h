#pragma once
// The snapshots' host: the status line under the drive animation, which shows
// the directory being read, and the window's message pump.
#include "snapshot/snapshot.h"
#include "toolkit/controls.h"

#include <string>

namespace app {

class SnapshotHost final : public snapshot::Host {
public:
    // status: the line under the drive animation, shortened to its fixed width.
    explicit SnapshotHost(tk::TLabel& status) : status_(status) {}
    SnapshotHost(const SnapshotHost&) = delete;
    SnapshotHost& operator=(const SnapshotHost&) = delete;

    void ShowStatusPath(const std::string& path) override;
    // A line of text in the same place, painted at once.
    void ShowStatus(const std::string& text);

private:
    tk::TLabel& status_;
};

} // namespace app
