#pragma once
// Keeps the window alive during the long walks without paying for a message
// pump after every entry: under Wine one PeekMessage costs more than listing
// an entry. Pending messages are handled as soon as kInterval has passed
// since the last time, and the status line shows the directory current then,
// so the window repaints and reacts at least every kInterval. A thread that
// only waits for workers (Wait) answers a message as soon as it arrives.
#include "snapshot/snapshot.h"

#include <chrono>
#include <string>

namespace snapshot {

class UiTicker {
public:
    static constexpr int kIntervalMs = 10;

    // withLabel: the drive walk shows its directories in the status line.
    UiTicker(Host& host, bool withLabel,
             std::chrono::milliseconds interval = std::chrono::milliseconds(kIntervalMs));
    // An item is done: handle pending messages if the interval has passed or
    // Wait saw one arrive; the status line changes at most every interval.
    void Pump() {
        if (Due())
            Tick();
        else if (inputWaiting_)
            Answer();
    }
    // The walk moves on to this directory.
    void ShowDirectory(const std::string& path) {
        pending_ = path;
        labelPending_ = true;
        if (Due())
            Tick();
    }
    // The walk has ended: the last directory is shown, messages are handled.
    void Finish() { Tick(); }
    // Sleeps until the interval has passed or a message arrives, at most
    // `most`: for a thread that only waits for others and pumps.
    void Wait(std::chrono::milliseconds most);

private:
    bool Due();
    void Tick();
    void Answer();

    Host& host_;
    bool withLabel_;
    bool labelPending_ = false;
    bool inputWaiting_ = false;
    std::string pending_;
    long long last_ = 0;
    long long interval_ = 0;
    long long frequency_ = 0;
};

} // namespace snapshot
