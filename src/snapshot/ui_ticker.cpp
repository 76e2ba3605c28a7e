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

UiTicker::UiTicker(Host& host, bool withLabel, std::chrono::milliseconds interval,
                   std::chrono::milliseconds statusInterval)
    : host_(host), withLabel_(withLabel) {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    interval_ = f.QuadPart * interval.count() / 1000;
    statusInterval_ = f.QuadPart * statusInterval.count() / 1000;
    lastLook_ = lastLabel_ = Now();
}

void UiTicker::Pump() {
    const long long now = Now();
    if (labelPending_ && now - lastLabel_ >= statusInterval_)
        ShowLabel(now);
    if (inputWaiting_ || now - lastLook_ >= interval_)
        Answer();
}

void UiTicker::Finish() {
    if (labelPending_)
        ShowLabel(Now());
    Answer();
}

void UiTicker::Wait(std::chrono::milliseconds most) {
    // A message posted meanwhile wakes this thread at once. Only input that
    // arrived since the queue was last looked at wakes it, so a wait that ends
    // without any is as good as a look: the next pump need not peek.
    const DWORD woke =
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(most.count()), QS_ALLINPUT, 0);
    inputWaiting_ = woke == WAIT_OBJECT_0;
    if (woke == WAIT_TIMEOUT)
        lastLook_ = Now();
}

void UiTicker::ShowLabel(long long now) {
    labelPending_ = false;
    lastLabel_ = now;
    if (withLabel_)
        host_.ShowStatusPath(pending_);
}

void UiTicker::Answer() {
    inputWaiting_ = false;
    lastLook_ = Now();
    host_.ProcessMessages();
}

} // namespace snapshot
