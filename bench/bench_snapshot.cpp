// Snapshot benchmarks, run under Wine by bench/bench_snapshot.sh on a
// generated drive and by bench/bench_registry.sh on a generated registry tree.
//   bench_snapshot <drive letter> <work dir on C:> [rounds]   timing, interleaved
//   bench_snapshot <drive letter> <work dir on C:> memory     one snapshot in a fresh process
//   bench_snapshot registry <work dir on C:> [rounds|memory]  the same for the registry
// Ends with name=value lines.
#include "rounds.h"
#include "snapshot/snapshot.h"
#include "snapshot/parallel_walk.h"
#include "snapshot/win32_fs.h"
#include "toolkit/gdi.h"
#include "toolkit/string_list.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>
#include <psapi.h>

namespace {

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc;
}

// The drive floors: the snapshot's find calls with its flags, in its
// breadth-first order, doing nothing but counting and queueing directories.
// The snapshot must also ask of every directory entry whether its path names
// a directory (the listed attribute alone may not decide it); testDirs makes
// that same call, so the second floor is the least any snapshot can do.
// One directory's find calls: counts its entries and appends its subdirectories.
std::size_t BareList(const std::string& dir, bool testDirs, std::vector<std::string>& subdirs) {
    std::size_t entries = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileExA((dir + "\\*.*").c_str(), FindExInfoBasic, &fd,
                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const char* n = fd.cFileName;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        ++entries;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            std::string path = dir + "\\" + n;
            if (testDirs && ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
                continue;
            subdirs.push_back(std::move(path));
        }
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return entries;
}

std::size_t BareWalk(const std::string& root, bool testDirs) {
    std::vector<std::string> dirs{root};
    std::size_t entries = 0;
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        const std::string dir = dirs[i]; // dirs grows while it is listed
        entries += BareList(dir, testDirs, dirs);
    }
    return entries;
}

// The parallel floor: the same calls, directory tests included, by as many
// workers as the snapshot's walk has, taking directories from one queue;
// nothing kept but the count.
std::size_t BareParallelWalk(const std::string& root, unsigned workers) {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::string> queue{root};
    unsigned busy = 0;
    std::atomic<std::size_t> entries{0};
    auto work = [&] {
        std::vector<std::string> found;
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            cv.wait(lock, [&] { return !queue.empty() || busy == 0; });
            if (queue.empty())
                return;
            const std::string dir = std::move(queue.front());
            queue.pop_front();
            ++busy;
            lock.unlock();
            found.clear();
            entries += BareList(dir, true, found);
            lock.lock();
            --busy;
            for (auto& d : found)
                queue.push_back(std::move(d));
            cv.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < workers; ++i)
        threads.emplace_back(work);
    for (auto& t : threads)
        t.join();
    return entries;
}

// The registry floor as the snapshot walks: breadth-first, one key open at a
// time by its full path from the root, the same access, the same calls. The
// queue of paths is one character buffer with an offset per key, the least a
// breadth-first walk must keep.
std::size_t BareRegWalkByPath(HKEY root) {
    std::string text;
    std::vector<std::size_t> ends; // key i is text[ends[i-1], ends[i])
    std::vector<char> name(256);
    std::string path;
    auto list = [&](const char* sub, std::size_t prefixBegin, std::size_t prefixEnd) {
        HKEY k = nullptr;
        if (::RegOpenKeyExA(root, sub, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
            return;
        DWORD count = 0, maxLen = 0;
        if (::RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &count, &maxLen, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            name.resize(std::max<std::size_t>(name.size(), maxLen + 1));
            for (DWORD i = 0; i < count; ++i) {
                DWORD len = static_cast<DWORD>(name.size());
                if (::RegEnumKeyExA(k, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) !=
                    ERROR_SUCCESS)
                    continue;
                if (prefixEnd > prefixBegin) {
                    text.append(text, prefixBegin, prefixEnd - prefixBegin);
                    text.push_back('\\');
                }
                text.append(name.data(), len);
                ends.push_back(text.size());
            }
        }
        ::RegCloseKey(k);
    };
    list(nullptr, 0, 0);
    for (std::size_t i = 0; i < ends.size(); ++i) {
        const std::size_t begin = i ? ends[i - 1] : 0;
        path.assign(text, begin, ends[i] - begin);
        list(path.c_str(), begin, ends[i]);
    }
    return ends.size();
}

// The other way to open keys: depth-first, each key relative to its open
// parent, with every parent on the way held open. Not the snapshot's order;
// printed for information.
std::size_t BareRegWalkRelative(HKEY parent) {
    std::size_t keys = 0;
    DWORD count = 0, maxLen = 0;
    if (::RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, &count, &maxLen, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    std::vector<char> name(maxLen + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExA(parent, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        ++keys;
        HKEY sub = nullptr;
        if (::RegOpenKeyExA(parent, name.data(), 0, KEY_ALL_ACCESS, &sub) == ERROR_SUCCESS) {
            keys += BareRegWalkRelative(sub);
            ::RegCloseKey(sub);
        }
    }
    return keys;
}

// A probe message carries the time it was posted (a performance counter).
constexpr UINT kProbeMessage = WM_APP + 7;
constexpr DWORD kProbeMs = 2;
double g_longestWaitMs = 0;

double CounterMs(long long ticks) {
    static const long long perSecond = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return ticks * 1000.0 / perSecond;
}

long long Counter() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

LRESULT CALLBACK WndProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == kProbeMessage) {
        g_longestWaitMs =
            std::max(g_longestWaitMs, CounterMs(Counter() - static_cast<long long>(w)));
        return 0;
    }
    return ::DefWindowProcA(h, m, w, l);
}

// A host with a real label window, so repainting costs what it costs. While a
// run goes, a thread posts the window a message with the time every kProbeMs;
// the longest any waited to be handled is the longest the window left its
// messages unanswered, whether the work pumps on this thread or runs on a
// worker while this thread waits. What is still queued when the run ends
// counts with its wait until then.
class BenchHost : public snapshot::Host {
public:
    BenchHost() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = WndProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "SnapBench";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        ::RegisterClassA(&wc);
        wnd_ = ::CreateWindowA("SnapBench", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                               200, nullptr, nullptr, wc.hInstance, nullptr);
        label_ = ::CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 241, 13, wnd_,
                                 nullptr, wc.hInstance, nullptr);
        font_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        ::SendMessageA(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
        MSG m;
        while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&m);
    }
    snapshot::WorkLists lists;
    tk::TStringList& l1 = lists.dirsOrKeys;
    tk::TStringList& l2 = lists.filesOrSubkeys;
    std::string drive, target;
    int pumps = 0;

    double LongestWaitMs() const { return g_longestWaitMs; }
    void Begin() {
        stop_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        probe_ = ::CreateThread(nullptr, 0, Probe, this, 0, nullptr);
    }
    void End() {
        ::SetEvent(stop_);
        ::WaitForSingleObject(probe_, INFINITE);
        ::CloseHandle(probe_);
        ::CloseHandle(stop_);
        snapshot::Host::ProcessMessages();
    }

    void ShowStatusPath(const std::string& path) override {
        ::SetWindowTextA(label_, tk::ShortenPath(path, font_, 241).c_str());
        ::UpdateWindow(label_);
    }
    // The product's drive snapshot of the drive under test.
    void TakeDrive() { snapshot::TakeDriveSnapshot(*this, lists, drive[0], "Festplatte", target); }
    void ProcessMessages() override {
        ++pumps;
        snapshot::Host::ProcessMessages();
    }

private:
    static DWORD WINAPI Probe(LPVOID self) {
        auto* host = static_cast<BenchHost*>(self);
        do
            ::PostMessageA(host->wnd_, kProbeMessage, static_cast<WPARAM>(Counter()), 0);
        while (::WaitForSingleObject(host->stop_, kProbeMs) == WAIT_TIMEOUT);
        return 0;
    }
    HWND wnd_ = nullptr, label_ = nullptr;
    HFONT font_ = nullptr;
    HANDLE stop_ = nullptr, probe_ = nullptr;
};

int Cmp(std::string_view a, std::string_view b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                            static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
}

// The peak working set above the start, less the text the lists hold, per item.
void ReportMemory(const char* what, const char* items, std::size_t count, std::size_t peakAbove,
                  std::size_t text, const char* name) {
    const double perItem = (static_cast<double>(peakAbove) - text) / count;
    std::printf("memory (one %s in a fresh process): %zu %s, peak working set %.1f MB above the "
                "start, text %.1f MB\n",
                what, count, items, peakAbove / 1048576.0, text / 1048576.0);
    std::printf("  beyond the text: %.1f bytes per item (goal <= 100)\n", perItem);
    std::printf("%s=%.1f\n", name, perItem);
}

int Memory(BenchHost& host) {
    const std::size_t ws0 = Memory().WorkingSetSize;
    host.TakeDrive();
    const std::size_t peak = Memory().PeakWorkingSetSize;
    std::size_t text = 0;
    for (const tk::TStringList* l : {&host.l1, &host.l2})
        for (std::size_t i = 0; i < l->Count(); ++i)
            text += (*l)[i].size();
    ReportMemory("snapshot", "entries", host.l1.Count() + host.l2.Count(), peak - ws0, text,
                 "bytes_per_entry");
    return 0;
}

// The registry tree that bench/reggen.exe made: its Root as the first of the
// five roots, an empty key as the other four.
struct BenchRoots {
    HKEY keys[5] = {};
    BenchRoots() {
        const char* const base = "Software\\KelvarRegBench\\";
        for (int i = 0; i < 5; ++i)
            ::RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(base) + (i ? "Empty" : "Root")).c_str(),
                            0, KEY_READ, &keys[i]);
    }
    ~BenchRoots() {
        for (HKEY k : keys)
            if (k)
                ::RegCloseKey(k);
    }
    bool Ok() const { return keys[0] && keys[1]; }
};

// Lines and bytes without line ends of a written key list.
std::pair<std::size_t, std::size_t> ListFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::size_t lines = 0, bytes = 0;
    if (!f)
        return {0, 0};
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        for (std::size_t i = 0; i < n; ++i)
            if (buf[i] == '\n')
                ++lines;
            else if (buf[i] != '\r')
                ++bytes;
    std::fclose(f);
    return {lines, bytes};
}

int RegistryMemory(BenchHost& host, const BenchRoots& roots) {
    const std::size_t ws0 = Memory().WorkingSetSize;
    snapshot::TakeRegistrySnapshot(host, host.lists, host.target, roots.keys);
    const std::size_t peak = Memory().PeakWorkingSetSize;
    // The list holds one root at a time: the first root holds all the keys.
    const auto [keys, text] = ListFile(host.target + "\\Reg_cr.lst");
    if (keys == 0) {
        std::printf("no keys listed: was bench/reggen.exe run in this prefix?\n");
        return 1;
    }
    ReportMemory("registry snapshot", "keys", keys, peak - ws0, text, "registry_bytes_per_key");
    return 0;
}

// The registry snapshot over the generated tree against its floor.
int Registry(BenchHost& host, int argc, char** argv) {
    BenchRoots roots;
    if (!roots.Ok()) {
        std::printf("HKCU\\Software\\KelvarRegBench is missing: run bench/reggen.exe first\n");
        return 1;
    }
    if (argc > 3 && std::string(argv[3]) == "memory")
        return RegistryMemory(host, roots);
    // A walk of a million keys takes minutes under Wine: four rounds by
    // default (each contender second in two), and the walk below the parent,
    // for information only, once.
    const int rounds = std::max(4, argc > 3 ? std::atoi(argv[3]) : 4);
    std::printf("registry: the snapshot and its floor one warm-up round each, then %d rounds "
                "interleaved\n",
                rounds);
    std::size_t keys = 0, keysRel = 0;
    bench::Contender byPath{"bare walk, keys opened by full path (floor)",
                            [&] { keys = BareRegWalkByPath(roots.keys[0]); }};
    // As for the drive: the ratio without the probe, the longest wait from
    // rounds of their own with it.
    bench::Contender reg{
        "registry snapshot (walk, write)",
        [&] { snapshot::TakeRegistrySnapshot(host, host.lists, host.target, roots.keys); }};
    bench::Contender probed{"the same, the window probed every 2 ms", [&] {
                                host.Begin();
                                snapshot::TakeRegistrySnapshot(host, host.lists, host.target,
                                                               roots.keys);
                                host.End();
                            }};
    bench::Interleave({&byPath, &reg, &probed}, rounds);
    bench::Contender relative{"bare walk, keys opened below their parent",
                              [&] { keysRel = BareRegWalkRelative(roots.keys[0]); }};
    relative.seconds.push_back(bench::Time(relative.run));
    std::printf("  %-44s once     %8.3f s\n", relative.name.c_str(), relative.Min());
    const auto [listed, text] = ListFile(host.target + "\\Reg_cr.lst");
    const double ratio = reg.Min() / byPath.Min();
    const double usPerKey = reg.Min() * 1e6 / keys;
    std::printf("  %zu keys (%zu listed by the snapshot, %zu opened below their parent), "
                "%.1f bytes of path per key\n",
                keys, listed, keysRel, keys ? static_cast<double>(text) / keys : 0.0);
    std::printf("  ratio of minimums to the floor %.3f (goal <= 1.1); %.2f us per key; the floor "
                "%.2f us per key; opening below the parent %.2f us per key (one run, for "
                "information)\n",
                ratio, usPerKey, byPath.Min() * 1e6 / keys, relative.Min() * 1e6 / keys);
    // Wine's server answers the same walk 10 % faster or slower from one round
    // to the next: a snapshot ahead of its floor by less than that is level with it.
    const double spread = byPath.Median() / byPath.Min() - 1;
    std::printf("  rounds (s): floor");
    for (double t : byPath.seconds)
        std::printf(" %.1f", t);
    std::printf(", snapshot");
    for (double t : reg.seconds)
        std::printf(" %.1f", t);
    std::printf(", probed");
    for (double t : probed.seconds)
        std::printf(" %.1f", t);
    std::printf("\n");
    if (ratio < 1 - spread)
        std::printf("  the snapshot beat its floor by more than the floor's own spread: the floor "
                    "is wrong, look at it\n");
    else if (ratio < 1)
        std::printf("  the snapshot ran level with its floor: %.1f %% ahead, within the floor's "
                    "spread of %.1f %% from minimum to median\n",
                    (1 - ratio) * 100, spread * 100);
    std::printf("  longest wait of a message posted to the window every %lu ms, start to end "
                "of every probed round: %.1f ms (goal <= 16; %d pumps); the probe costs the "
                "snapshot %.1f %%\n",
                kProbeMs, host.LongestWaitMs(), host.pumps, (probed.Min() / reg.Min() - 1) * 100);
    std::printf("registry_ratio=%.3f\n", ratio);
    std::printf("registry_probed_ratio=%.3f\n", probed.Min() / byPath.Min());
    std::printf("registry_keys=%zu\n", keys);
    std::printf("registry_us_per_key=%.2f\n", usPerKey);
    std::printf("registry_floor_us_per_key=%.2f\n", byPath.Min() * 1e6 / keys);
    std::printf("registry_relative_us_per_key=%.2f\n", relative.Min() * 1e6 / keys);
    std::printf("registry_max_pump_gap_ms=%.1f\n", host.LongestWaitMs());
    return listed == keys && keysRel == keys ? 0 : 1;
}

// Where one snapshot's time goes, for information: the walk (parallel, and the
// single-threaded one it replaced), the sort and the saving, each once, without
// a window.
struct Phases {
    double walk = 0, serialWalk = 0, sort = 0, save = 0;
};

Phases TimePhases(const std::string& root, const std::string& target) {
    struct NoUi {
        void Pump() {}
        void ShowDirectory(const std::string&) {}
        void Wait(std::chrono::milliseconds most) { ::Sleep(static_cast<DWORD>(most.count())); }
    } ui;
    snapshot::Win32Fs fs;
    Phases p;
    tk::TStringList dirs, files;
    dirs.Add(root);
    p.serialWalk = bench::Time([&] { snapshot::WalkDrive(dirs, files, fs, ui); });
    dirs.Clear();
    files.Clear();
    dirs.Add(root);
    p.walk = bench::Time([&] { snapshot::ParallelWalkDrive(dirs, files, fs, ui); });
    p.sort = bench::Time([&] {
        dirs.SetSorted(true);
        files.SetSorted(true);
    });
    p.save = bench::Time([&] {
        dirs.SaveToFile(target + "\\phases-verz.lst");
        files.SaveToFile(target + "\\phases-dat.lst");
    });
    return p;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_snapshot <drive letter> <work dir> [rounds|memory]\n");
        return 2;
    }
    const std::string root = std::string(1, static_cast<char>(argv[1][0] & ~0x20)) + ":";
    BenchHost host;
    host.drive = std::string(1, argv[1][0]) + ":";
    host.target = argv[2];
    if (std::string(argv[1]) == "registry")
        return Registry(host, argc, argv);
    if (argc > 3 && std::string(argv[3]) == "memory")
        return Memory(host);
    // The floors' minimums move by 10 % from one run of five rounds to the
    // next, more than the margin the goals leave: nine rounds by default.
    const int rounds = std::max(5, argc > 3 ? std::atoi(argv[3]) : 9);

    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    std::printf("%lu processors; every figure: one warm-up round each, then %d rounds "
                "interleaved\n",
                si.dwNumberOfProcessors, rounds);

    // Drive: the whole snapshot (walk, sort, write) against the floor walks:
    // today's single-threaded one, and the same calls made by as many workers
    // as the snapshot's walk has.
    const unsigned workers = snapshot::DefaultWalkWorkers();
    std::size_t entries = 0, parallelEntries = 0;
    bench::Contender bare{"bare find walk", [&] { entries = BareWalk(root, false); }};
    bench::Contender tested{"bare find walk + directory tests (floor)",
                            [&] { entries = BareWalk(root, true); }};
    bench::Contender parallel{"the same, " + std::to_string(workers) + " workers (parallel floor)",
                              [&] { parallelEntries = BareParallelWalk(root, workers); }};
    // Each installation starts its drive snapshot with fresh lists: the last
    // round's million lines are let go before the clock starts. The ratios
    // take the snapshot as it runs in the product; the window's longest wait
    // comes from rounds of their own with the probe, whose 500 messages a
    // second cost Wine's server time that the floors do not pay.
    const auto fresh = [&] { host.lists = snapshot::WorkLists{}; };
    bench::Contender snap{"drive snapshot (walk, sort, write)", [&] { host.TakeDrive(); }, fresh};
    bench::Contender probed{"the same, the window probed every 2 ms",
                            [&] {
                                host.Begin();
                                host.TakeDrive();
                                host.End();
                            },
                            fresh};
    bench::Interleave({&bare, &tested, &parallel, &snap, &probed}, rounds);
    const double snapshotRatio = snap.Min() / tested.Min();
    const double parallelRatio = snap.Min() / parallel.Min();
    const double findOnlyRatio = snap.Min() / bare.Min();
    std::printf("drive: %zu entries (%zu directories, %zu files), ratio of minimums %.2f "
                "(goal <= 0.65) to the single-threaded floor, %.2f (goal <= 1.15) to the "
                "parallel floor, which takes %.2f of the single-threaded one; to the find calls "
                "alone %.2f, of which the directory tests take %.2f\n",
                entries, host.l1.Count(), host.l2.Count(), snapshotRatio, parallelRatio,
                parallel.Min() / tested.Min(), findOnlyRatio, tested.Min() / bare.Min() - 1);
    if (parallelRatio < 1)
        std::printf("  the snapshot beat its parallel floor: the floor is wrong, look at it\n");
    // The snapshot runs right before or right after the parallel floor in
    // every round, so each round's ratio is free of the machine's slower
    // stretches that shift both; its median checks the ratio of minimums.
    std::vector<double> paired;
    std::printf("  rounds (s): parallel floor");
    for (double t : parallel.seconds)
        std::printf(" %.2f", t);
    std::printf(", snapshot");
    for (std::size_t r = 0; r < snap.seconds.size(); ++r) {
        std::printf(" %.2f", snap.seconds[r]);
        paired.push_back(snap.seconds[r] / parallel.seconds[r]);
    }
    const double pairedMedian = bench::Median(paired);
    std::printf("; each round's ratio: lowest %.3f, median %.3f, highest %.3f\n",
                *std::min_element(paired.begin(), paired.end()), pairedMedian,
                *std::max_element(paired.begin(), paired.end()));
    std::printf("  longest wait of a message posted to the window every %lu ms, start to end "
                "of every probed round: %.1f ms (goal <= 16; %d pumps); the probe costs the "
                "snapshot %.1f %%\n",
                kProbeMs, host.LongestWaitMs(), host.pumps, (probed.Min() / snap.Min() - 1) * 100);
    const double maxGap = host.LongestWaitMs();
    const Phases phases = TimePhases(root, host.target);
    std::printf("  one snapshot's phases (once each, information): walk %.3f s (the "
                "single-threaded walk %.3f s), sort %.3f s, save %.3f s\n",
                phases.walk, phases.serialWalk, phases.sort, phases.save);

    // Sorting the file list: sort keys against stable_sort with CompareStringA,
    // both from the same shuffled order.
    std::vector<std::string> shuffled = host.l2.Items();
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(42));
    tk::TStringList keyed;
    std::vector<std::string> ref;
    bench::Contender keys{"sort by keys (TStringList)", [&] {
                              keyed.Clear();
                              keyed.SetSorted(false);
                              for (const auto& s : shuffled)
                                  keyed.Add(s);
                              keyed.SetSorted(true);
                          }};
    bench::Contender cmp{"stable_sort with CompareStringA", [&] {
                             ref = shuffled;
                             std::stable_sort(ref.begin(), ref.end(),
                                              [](const std::string& a, const std::string& b) {
                                                  return Cmp(a, b) == CSTR_LESS_THAN;
                                              });
                         }};
    std::printf("sort of %zu file lines (each round fills the list, then sorts):\n",
                shuffled.size());
    bench::Interleave({&cmp, &keys}, rounds);
    std::size_t same = 0;
    for (std::size_t i = 0; i < ref.size(); ++i)
        same += Cmp(ref[i], keyed[i]) == CSTR_EQUAL;
    const double sortSpeedup = cmp.Min() / keys.Min();
    std::printf("  speed-up %.1f x, order identical: %s\n", sortSpeedup,
                same == ref.size() ? "yes" : "NO");

    std::printf("snapshot_ratio=%.3f\n", snapshotRatio);
    std::printf("snapshot_parallel_ratio=%.3f\n", parallelRatio);
    std::printf("snapshot_parallel_ratio_round_median=%.3f\n", pairedMedian);
    std::printf("snapshot_probed_parallel_ratio=%.3f\n", probed.Min() / parallel.Min());
    std::printf("parallel_floor_ratio=%.3f\n", parallel.Min() / tested.Min());
    std::printf("walk_workers=%u\n", workers);
    std::printf("phase_walk_s=%.3f\n", phases.walk);
    std::printf("phase_serial_walk_s=%.3f\n", phases.serialWalk);
    std::printf("phase_sort_s=%.3f\n", phases.sort);
    std::printf("phase_save_s=%.3f\n", phases.save);
    std::printf("snapshot_ratio_find_only=%.3f\n", findOnlyRatio);
    std::printf("max_pump_gap_ms=%.1f\n", maxGap);
    std::printf("sort_speedup=%.2f\n", sortSpeedup);
    std::printf("drive_entries=%zu\n", entries);
    return same == ref.size() && parallelEntries == entries ? 0 : 1;
}
