#include "snapshot/ui_ticker.h"

#include <algorithm>
#include <windows.h>

namespace snapshot {

namespace {
long long Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}
} // namespace

UiTicker::UiTicker(Host& host, bool withLabel) : host_(host), withLabel_(withLabel) {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    frequency_ = f.QuadPart;
    interval_ = f.QuadPart * kIntervalMs / 1000;
    last_ = Now();
}

void UiTicker::Wait(std::chrono::milliseconds most) {
    const long long left = last_ + interval_ - Now();
    const long long ms = left <= 0 ? 0 : (left * 1000 + frequency_ - 1) / frequency_;
    // Sleep, not a pthread sleep: under Wine that one is a call to the server.
    ::Sleep(static_cast<DWORD>(std::min<long long>(ms, most.count())));
}

bool UiTicker::Due() {
    return Now() - last_ >= interval_;
}

void UiTicker::Tick() {
    if (withLabel_ && labelPending_) {
        labelPending_ = false;
        host_.ShowStatusPath(pending_);
    }
    host_.ProcessMessages();
    last_ = Now();
}

} // namespace snapshot
