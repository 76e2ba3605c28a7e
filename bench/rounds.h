#pragma once
// Fair timing for the benchmarks: contenders run interleaved after one warm-up
// round each, in turned order every other round (A, B, B, A, A, B, ...), so
// that neither meets a colder cache, a busier machine or the state the other
// leaves behind more often than the other (under Wine the second of a pair
// of registry walks ran 5 % faster whichever it was); each is reported by its
// minimum (the run least disturbed by the rest of the machine) and its median.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// The median of a set of figures (one or more).
inline double Median(std::vector<double> s) {
    std::sort(s.begin(), s.end());
    const std::size_t n = s.size();
    return n % 2 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
}

struct Contender {
    // prepare, when given, runs untimed before every run: it puts back the
    // state the product starts from (fresh lists, say).
    Contender(std::string n, std::function<void()> f, std::function<void()> p = {})
        : name(std::move(n)), run(std::move(f)), prepare(std::move(p)) {}
    std::string name;
    std::function<void()> run;
    std::function<void()> prepare;
    std::vector<double> seconds;

    double Min() const { return *std::min_element(seconds.begin(), seconds.end()); }
    double Median() const { return bench::Median(seconds); }
};

inline double Time(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One warm-up round of each, then `rounds` interleaved rounds; prints one line
// per contender.
inline void Interleave(std::vector<Contender*> contenders, int rounds) {
    const auto timed = [](Contender* c) {
        if (c->prepare)
            c->prepare();
        return Time(c->run);
    };
    for (Contender* c : contenders)
        timed(c);
    for (int r = 0; r < rounds; ++r) {
        std::vector<Contender*> order = contenders;
        if (r % 2)
            std::reverse(order.begin(), order.end());
        for (Contender* c : order)
            c->seconds.push_back(timed(c));
    }
    for (const Contender* c : contenders)
        std::printf("  %-44s min %8.3f s  median %8.3f s  (%zu rounds)\n", c->name.c_str(),
                    c->Min(), c->Median(), c->seconds.size());
}

} // namespace bench
