#include "snapshot/ui_ticker.h"

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
    interval_ = f.QuadPart * kIntervalMs / 1000;
    last_ = Now();
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
