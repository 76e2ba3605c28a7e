// Measures, from outside, how long a window keeps a message waiting: every few
// milliseconds a WM_NULL is sent with SendMessageTimeout and the time until it
// is answered is taken. A window whose thread handles its messages answers at
// once; one that is busy answers when it next pumps, so the longest answer
// time is the longest gap between two pumps (to within the probe interval).
//   pumpprobe <window class> <stop file> [interval ms]
// Runs until the stop file exists; prints name=value lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <windows.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pumpprobe <window class> <stop file> [interval ms]\n");
        return 2;
    }
    const DWORD interval = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 5;
    using Clock = std::chrono::steady_clock;
    // The goal: the window answers within one frame (16 ms at 60 Hz).
    constexpr double kSlowMs = 16;
    double maxMs = 0, sumMs = 0;
    long probes = 0, slow = 0, unanswered = 0;
    const auto start = Clock::now();
    while (::GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) {
        const HWND w = ::FindWindowA(argv[1], nullptr);
        if (w != nullptr) {
            DWORD_PTR r = 0;
            const auto t0 = Clock::now();
            // A long timeout: a frozen window is measured, not cut off.
            const bool answered =
                ::SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &r) != 0;
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            if (answered) {
                maxMs = std::max(maxMs, ms);
                sumMs += ms;
                ++probes;
                slow += ms > kSlowMs;
                // Where a slow answer fell, for finding the step that held the window.
                if (ms > kSlowMs)
                    std::fprintf(stderr,
                                 "slow answer: %.1f ms, sent %.0f ms after the probe began\n", ms,
                                 std::chrono::duration<double, std::milli>(t0 - start).count());
            } else if (::IsWindow(w)) {
                ++unanswered;
            }
        }
        ::Sleep(interval);
    }
    std::printf("probes=%ld\nprobes_over_16ms=%ld\nprobes_unanswered=%ld\nmean_answer_ms=%.2f\n"
                "install_max_pump_gap_ms=%.1f\n",
                probes, slow, unanswered, probes ? sumMs / probes : 0.0, maxMs);
    return probes > 0 ? 0 : 1;
}
