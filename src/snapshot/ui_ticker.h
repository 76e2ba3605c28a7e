#pragma once
// Keeps the window alive during the long walks without paying for a message
// pump after every entry: under Wine one PeekMessage costs more than listing
// an entry. Pending messages are handled as soon as the pump interval has
// passed since the queue was last looked at; a thread that only waits for
// workers (Wait) answers a message as soon as it arrives, and a wait that ends
// with nothing new counts as a look. The status line changes at most every
// status interval: each change is a repaint, and under Wine every one costs
// the server and the X server time that the walk's own calls queue behind.
#include "snapshot/snapshot.h"

#include <chrono>
#include <string>

namespace snapshot {

class UiTicker {
public:
    static constexpr int kIntervalMs = 10;
    // 25 changes a second still show the walk moving; no one reads faster.
    static constexpr int kStatusIntervalMs = 40;

    // withLabel: the drive walk shows its directories in the status line.
    UiTicker(
        Host& host, bool withLabel,
        std::chrono::milliseconds interval = std::chrono::milliseconds(kIntervalMs),
        std::chrono::milliseconds statusInterval = std::chrono::milliseconds(kStatusIntervalMs));
    // An item is done: handle pending messages if a Wait saw one arrive or the
    // queue has not been looked at for the pump interval; show the pending
    // status line if its interval has passed.
    void Pump();
    // The walk moves on to this directory.
    void ShowDirectory(const std::string& path) {
        pending_ = path;
        labelPending_ = true;
        Pump();
    }
    // The walk has ended: the last directory is shown, messages are handled.
    void Finish();
    // Sleeps until a message arrives, at most `most`: for a thread that only
    // waits for others and pumps.
    void Wait(std::chrono::milliseconds most);

private:
    void ShowLabel(long long now);
    void Answer();

    Host& host_;
    bool withLabel_;
    bool labelPending_ = false;
    bool inputWaiting_ = false;
    std::string pending_;
    long long lastLook_ = 0;  // the queue last looked at
    long long lastLabel_ = 0; // the status line last changed
    long long interval_ = 0;
    long long statusInterval_ = 0;
};

} // namespace snapshot
