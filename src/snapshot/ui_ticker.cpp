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

UiTicker::UiTicker(Host& host, bool withLabel, std::chrono::milliseconds interval)
    : host_(host), withLabel_(withLabel) {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    frequency_ = f.QuadPart;
    interval_ = f.QuadPart * interval.count() / 1000;
    last_ = Now();
}

void UiTicker::Wait(std::chrono::milliseconds most) {
    const long long left = last_ + interval_ - Now();
    const long long ms = left <= 0 ? 0 : (left * 1000 + frequency_ - 1) / frequency_;
    // A message posted meanwhile wakes this thread: sleeping out the interval
    // kept it waiting up to 10 ms plus however late the sleep ended.
    inputWaiting_ = ::MsgWaitForMultipleObjectsEx(
                        0, nullptr, static_cast<DWORD>(std::min<long long>(ms, most.count())),
                        QS_ALLINPUT, 0) == WAIT_OBJECT_0;
}

bool UiTicker::Due() {
    return Now() - last_ >= interval_;
}

void UiTicker::Tick() {
    if (withLabel_ && labelPending_) {
        labelPending_ = false;
        host_.ShowStatusPath(pending_);
    }
    last_ = Now();
    Answer();
}

void UiTicker::Answer() {
    inputWaiting_ = false;
    host_.ProcessMessages();
}

} // namespace snapshot
