// Snapshot benchmarks, run under Wine by bench/bench_snapshot.sh on a
// generated drive. Prints each measure with its ratio, from one run.
//   bench_snapshot <drive letter> <work dir on C:>
#include "snapshot/Snapshot.h"
#include "toolkit/stringlist.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>
#include <windows.h>
#include <psapi.h>

namespace {

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

std::size_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PeakWorkingSetSize;
}
std::size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.WorkingSetSize;
}

// The baseline: a breadth-first FindFirstFileExA walk that only counts.
std::size_t BareWalk(const std::string& root) {
    std::vector<std::string> dirs{root};
    std::size_t entries = 0;
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileExA((dirs[i] + "\\*.*").c_str(), FindExInfoBasic, &fd,
                                      FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        do {
            const char* n = fd.cFileName;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            ++entries;
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                dirs.push_back(dirs[i] + "\\" + n);
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    return entries;
}

std::size_t BareRegWalk(HKEY root) {
    std::size_t keys = 0;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (::RegEnumKeyExA(root, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        ++keys;
        HKEY sub = nullptr;
        if (::RegOpenKeyExA(root, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            keys += BareRegWalk(sub);
            ::RegCloseKey(sub);
        }
    }
    return keys;
}

LRESULT CALLBACK WndProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return ::DefWindowProcA(h, m, w, l);
}

// A host with a real label window, so repainting costs what it costs.
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
    }
    tk::TStringList l1, l2;
    std::string drive, target;
    int pumps = 0, labelSets = 0;
    double maxGap = 0;
    std::chrono::steady_clock::time_point last{};

    tk::TStringList& List1() override { return l1; }
    tk::TStringList& List2() override { return l2; }
    std::string SelectedDriveText() override { return drive; }
    std::string Designation() override { return "Festplatte"; }
    std::string TargetDir() override { return target; }
    void SetLabel44(const std::string& text) override {
        ++labelSets;
        ::SetWindowTextA(label_, text.c_str());
        ::UpdateWindow(label_);
    }
    HFONT Label44Font() override { return font_; }
    void ExecuteRegEinlesen() override {}
    void ProcessMessages() override {
        const auto now = std::chrono::steady_clock::now();
        if (pumps++ > 0)
            maxGap = std::max(maxGap, Seconds(last, now) * 1000);
        snapshot::Host::ProcessMessages();
        last = std::chrono::steady_clock::now();
    }

private:
    HWND wnd_ = nullptr, label_ = nullptr;
    HFONT font_ = nullptr;
};

int Cmp(std::string_view a, std::string_view b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                            static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_snapshot <drive letter> <work dir>\n");
        return 2;
    }
    const std::string drive = std::string(1, argv[1][0]) + ":";
    const std::string root = std::string(1, static_cast<char>(argv[1][0] & ~0x20)) + ":";
    const std::string work = argv[2];
    using clock = std::chrono::steady_clock;

    BenchHost host;
    host.drive = drive;
    host.target = work;
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&m);

    BareWalk(root); // warm the caches once for both
    const std::size_t ws0 = WorkingSet();
    auto t0 = clock::now();
    const std::size_t entries = BareWalk(root);
    auto t1 = clock::now();
    const double bare = Seconds(t0, t1);

    t0 = clock::now();
    snapshot::LwEinlesenExecute(host);
    t1 = clock::now();
    const double snap = Seconds(t0, t1);
    const std::size_t peak = PeakWorkingSet();
    std::size_t text = 0;
    for (const auto& s : host.l1.Items())
        text += s.size();
    for (const auto& s : host.l2.Items())
        text += s.size();
    const std::size_t listed = host.l1.Count() + host.l2.Count();

    std::printf("drive walk: %zu entries (%zu directories, %zu files)\n", entries, host.l1.Count(),
                host.l2.Count());
    std::printf("  bare FindFirstFileExA walk  %8.3f s\n", bare);
    std::printf("  drive snapshot (walk, sort, write) %8.3f s\n", snap);
    std::printf("  ratio snapshot / bare walk  %8.2f x   (aim <= 1.5)\n", snap / bare);
    std::printf("  longest gap between message pumps during the walk: %.1f ms (%d pumps, %d label "
                "updates)\n",
                host.maxGap, host.pumps, host.labelSets);
    std::printf("memory: peak working set %.1f MB above the start, text %.1f MB, %zu entries\n",
                (peak - ws0) / 1048576.0, text / 1048576.0, listed);
    std::printf("  beyond the text: %.0f bytes per entry   (aim < 200)\n",
                (static_cast<double>(peak) - ws0 - text) / listed);

    // Sorting the file list: sort keys against stable_sort with CompareStringA.
    std::vector<std::string> shuffled = host.l2.Items();
    std::mt19937 rng(42);
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    tk::TStringList keyed;
    for (const auto& s : shuffled)
        keyed.Add(s);
    t0 = clock::now();
    keyed.SetSorted(true);
    t1 = clock::now();
    const double keySort = Seconds(t0, t1);
    std::vector<std::string> ref = shuffled;
    t0 = clock::now();
    std::stable_sort(ref.begin(), ref.end(), [](const std::string& a, const std::string& b) {
        return Cmp(a, b) == CSTR_LESS_THAN;
    });
    t1 = clock::now();
    const double cmpSort = Seconds(t0, t1);
    std::size_t same = 0;
    for (std::size_t i = 0; i < ref.size(); ++i)
        same += Cmp(ref[i], keyed[i]) == CSTR_EQUAL;
    std::printf("sort of %zu file lines: keys %.3f s, stable_sort+CompareStringA %.3f s, speed-up "
                "%.1f x (aim >= 5)"
                ", order identical: %s\n",
                ref.size(), keySort, cmpSort, cmpSort / keySort, same == ref.size() ? "yes" : "NO");

    // Registry: the snapshot of the whole prefix against a bare RegEnumKeyEx walk.
    const HKEY roots[5] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                           HKEY_CURRENT_CONFIG};
    for (HKEY r : roots)
        BareRegWalk(r); // warm
    t0 = clock::now();
    std::size_t keys = 0;
    for (HKEY r : roots)
        keys += BareRegWalk(r);
    t1 = clock::now();
    const double bareReg = Seconds(t0, t1);
    t0 = clock::now();
    snapshot::RegEinlesenExecute(host);
    t1 = clock::now();
    const double snapReg = Seconds(t0, t1);
    std::printf("registry: %zu keys; bare RegEnumKeyEx walk %.3f s, registry snapshot %.3f s, "
                "ratio %.2f x (aim <= 1.3)\n",
                keys, bareReg, snapReg, snapReg / bareReg);
    return same == ref.size() ? 0 : 1;
}
