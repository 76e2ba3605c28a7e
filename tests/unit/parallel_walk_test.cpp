// The parallel drive walk against the single-threaded one on generated trees:
// the same lists in the same order, the same error at the same point, and a
// calling thread that only pumps and shows.
#include "runtime/errors.h"
#include "snapshot/parallel_walk.h"
#include "snapshot/walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace snapshot;

namespace {

struct VecList {
    std::vector<std::string> v;
    void Add(std::string_view s) { v.emplace_back(s); }
    std::size_t Count() const { return v.size(); }
    const std::string& operator[](std::size_t i) const { return v[i]; }
};

struct Entry {
    std::string name;
    std::uint32_t attributes = 32;
    std::uint32_t size = 0;
    bool link = false;
};

struct Dir {
    std::vector<Entry> entries;
    int throwAt = -1;           // the listing raises a file-layer error before this entry
    int delayUs = 0;            // so that listings finish out of order
    std::function<void()> gate; // runs before the listing starts
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

// A file system of directories by path, read by many threads at once. As
// under Win32 on a case-sensitive disk: a path is looked up as it is, else
// without regard to case; the last name of a tested path loses its trailing
// dots and blanks.
struct TreeFs {
    std::map<std::string, Dir> dirs;           // missing: cannot be listed
    std::set<std::string> isDir;               // paths that test as directories
    std::map<std::string, std::string> folded; // lower case -> the first such path
    std::set<std::string> throwOnTest;
    std::mutex m;
    std::multiset<std::string> listed;

    void AddDir(const std::string& path) {
        isDir.insert(path);
        const auto [it, added] = folded.emplace(Lower(path), path);
        if (!added && path < it->second) // the first in byte order, whatever the order of adding
            it->second = path;
    }
    std::optional<std::string> Find(const std::string& path) const {
        if (isDir.count(path))
            return path;
        const auto it = folded.find(Lower(path));
        return it == folded.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    template <class F> bool List(const std::string& dir, F&& each) {
        {
            std::lock_guard<std::mutex> lock(m);
            listed.insert(dir);
        }
        auto it = dirs.find(dir);
        if (const auto found = Find(dir); it == dirs.end() && found)
            it = dirs.find(*found);
        if (it == dirs.end())
            return false;
        const Dir& d = it->second;
        if (d.gate)
            d.gate();
        if (d.delayUs)
            std::this_thread::sleep_for(std::chrono::microseconds(d.delayUs));
        for (std::size_t i = 0; i < d.entries.size(); ++i) {
            if (static_cast<int>(i) == d.throwAt)
                throw rt::EReadError("listing " + dir);
            const Entry& e = d.entries[i];
            each(ListedEntry{e.name.c_str(), e.attributes, e.size, 7, e.link});
        }
        return true;
    }
    bool IsDirectory(const std::string& path, const ListedEntry& e) {
        if (!NeedsDirectoryTest(e.name, e.attributes))
            return false;
        if (throwOnTest.count(path))
            throw rt::EInOutError(5);
        std::string p = path;
        while (p.back() == '.' || p.back() == ' ')
            p.pop_back();
        return Find(p).has_value();
    }
};

struct Ui {
    std::thread::id caller = std::this_thread::get_id();
    int pumps = 0, elsewhere = 0;
    std::vector<std::string> shown;
    std::function<void()> onPump;
    void Pump() {
        elsewhere += std::this_thread::get_id() != caller;
        ++pumps;
        if (onPump)
            onPump();
    }
    void ShowDirectory(const std::string& p) {
        elsewhere += std::this_thread::get_id() != caller;
        shown.push_back(p);
    }
    void Wait(std::chrono::milliseconds most) {
        elsewhere += std::this_thread::get_id() != caller;
        std::this_thread::sleep_for(most);
    }
};

// A random tree with everything a drive can throw at the walk: links into the
// tree, directories that cannot be listed or vanished, names with a trailing
// dot or blank, names differing only in case, duplicates, code page 1252
// bytes; with `errors`, a rare listing or directory test that raises.
void Grow(TreeFs& fs, std::mt19937& rnd, const std::string& path, int depth, bool errors) {
    auto pick = [&](int n) { return static_cast<int>(rnd() % n); };
    Dir d;
    if (depth > 0)
        d.entries = {{".", 16}, {"..", 16}};
    const int n = pick(20) == 0 ? 200 : pick(9);
    std::vector<std::string> subdirs;
    std::set<std::string> names; // one listing names an entry once (but "Daten" and "daten")
    static const char* const words[] = {"Daten",
                                        "daten",
                                        "x.",
                                        "x",
                                        "B ",
                                        "\xDC"
                                        "bersicht",
                                        "a"};
    for (int i = 0; i < n; ++i) {
        Entry e;
        e.name = std::string(words[pick(7)]) + (pick(3) ? std::to_string(pick(50)) : "");
        if (!names.insert(e.name).second)
            continue;
        e.size = rnd();
        const bool deeper = depth < 5 && fs.dirs.size() < 300;
        const int kind = deeper ? pick(10) : 9;
        const std::string full = path + "\\" + e.name;
        if (kind <= 5) { // a directory; some cannot be listed, some vanished before the test
            e.attributes = 16;
            if (kind != 5)
                fs.AddDir(full);
            if (kind <= 3)
                subdirs.push_back(full);
        } else if (kind == 6) { // a link back up: a walk that enters it comes back here
            e.attributes = 16 | 0x400;
            e.link = true;
            fs.AddDir(full);
            fs.dirs[full].entries = {{"trap.txt"}};
        } else {
            e.attributes = std::vector<std::uint32_t>{32, 33, 38, 0x80, 0x400, 0}[pick(6)];
        }
        d.entries.push_back(e);
    }
    if (pick(6) == 0)
        d.delayUs = pick(100);
    if (errors && pick(25) == 0)
        d.throwAt = pick(static_cast<int>(d.entries.size()) + 1);
    if (errors && pick(25) == 0 && !d.entries.empty())
        fs.throwOnTest.insert(path + "\\" +
                              d.entries[pick(static_cast<int>(d.entries.size()))].name);
    fs.dirs[path] = std::move(d);
    for (const auto& s : subdirs)
        if (!fs.dirs.count(s))
            Grow(fs, rnd, s, depth + 1, errors);
}

struct Result {
    VecList dirs{{"C:"}}, files;
    std::string error; // what() of the error raised, "" none
    std::multiset<std::string> listed;
};

template <class Walk> Result Run(TreeFs& fs, Ui& ui, Walk walk) {
    Result r;
    fs.listed.clear();
    try {
        walk(r.dirs, r.files, fs, ui);
    } catch (const std::exception& e) {
        r.error = e.what();
    }
    r.listed = fs.listed;
    return r;
}

Result Serial(TreeFs& fs) {
    Ui ui;
    return Run(fs, ui, [](VecList& d, VecList& f, TreeFs& t, Ui& u) { WalkDrive(d, f, t, u); });
}

Result Parallel(TreeFs& fs, Ui& ui, ParallelWalkSettings s) {
    return Run(fs, ui,
               [&](VecList& d, VecList& f, TreeFs& t, Ui& u) { ParallelWalkDrive(d, f, t, u, s); });
}

// The first difference, if any: whole lists would bury it.
std::string Diff(const std::vector<std::string>& want, const std::vector<std::string>& got) {
    const auto [w, g] = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
    if (w == want.end() && g == got.end())
        return "";
    return "entry " + std::to_string(w - want.begin()) + ": want " +
           (w == want.end() ? "<end>" : *w) + ", got " + (g == got.end() ? "<end>" : *g);
}

void ExpectSame(const Result& want, const Result& got, const std::string& what) {
    EXPECT_EQ(Diff(want.dirs.v, got.dirs.v), "") << what << ", directories";
    EXPECT_EQ(Diff(want.files.v, got.files.v), "") << what << ", files";
    EXPECT_EQ(want.error, got.error) << what;
}

} // namespace

TEST(ParallelDriveWalk, SameListsAsTheSingleThreadedWalkOnRandomTrees) {
    int errorsSeen = 0;
    for (unsigned seed = 1; seed <= 100; ++seed) {
        TreeFs fs;
        std::mt19937 rnd(seed);
        Grow(fs, rnd, "C:", 0, /*errors=*/seed % 2 == 0);
        const Result want = Serial(fs);
        errorsSeen += !want.error.empty();
        for (unsigned workers : {0u, 1u, 2u, 3u, 8u}) {
            ParallelWalkSettings s;
            s.workers = workers;
            s.pumpEvery = std::chrono::milliseconds(1);
            if (seed % 3 == 0) { // listing may hardly run ahead of the appending
                s.maxAhead = 2;
                s.maxPendingBytes = 0;
            }
            Ui ui;
            const Result got = Parallel(fs, ui, s);
            const std::string what =
                "seed " + std::to_string(seed) + ", " + std::to_string(workers) + " workers";
            ExpectSame(want, got, what);
            EXPECT_EQ(ui.elsewhere, 0) << what;
            if (!want.error.empty())
                continue;
            EXPECT_TRUE(want.listed == got.listed) << what; // each directory once, links never
            // The status follows the list, never shows the root, and ends on its last.
            auto at = got.dirs.v.begin() + 1;
            for (const auto& shown : ui.shown) {
                at = std::find(at, got.dirs.v.end(), shown);
                ASSERT_NE(at, got.dirs.v.end()) << what << ": " << shown;
                ++at;
            }
            if (got.dirs.Count() > 1) {
                ASSERT_FALSE(ui.shown.empty()) << what;
                EXPECT_EQ(ui.shown.back(), got.dirs.v.back()) << what;
            }
        }
    }
    EXPECT_GT(errorsSeen, 5); // the error cases did occur
}

TEST(ParallelDriveWalk, DeepAndWideTrees) {
    TreeFs fs;
    std::string path = "C:";
    for (int depth = 0; depth < 300; ++depth) { // one long chain: no parallelism to be had
        fs.AddDir(path + "\\d");
        fs.dirs[path].entries.push_back({"d", 16});
        fs.dirs[path].entries.push_back({"f" + std::to_string(depth)});
        path += "\\d";
    }
    for (int i = 0; i < 20000; ++i) { // and a wide one beside it, every tenth a directory
        const std::string name = "w" + std::to_string(i);
        fs.dirs["C:"].entries.push_back({name, i % 10 ? 32u : 16u});
        if (i % 10 == 0) {
            fs.AddDir("C:\\" + name);
            fs.dirs["C:\\" + name].entries = {{"x"}};
        }
    }
    const Result want = Serial(fs);
    EXPECT_EQ(want.dirs.Count(), 301u + 2000u);
    Ui ui;
    ExpectSame(want, Parallel(fs, ui, {}), "deep and wide");
}

// A later directory fails first: the error raised is still the earlier one's,
// with the lists as the single-threaded walk leaves them when it stops there.
TEST(ParallelDriveWalk, TheErrorRaisedIsTheFirstInListOrder) {
    TreeFs fs;
    fs.dirs["C:"].entries = {{"early", 16}, {"late", 16}, {"ok", 16}};
    for (const char* n : {"early", "late", "ok"})
        fs.AddDir(std::string("C:\\") + n);
    fs.dirs["C:\\early"].entries = {{"e1"}, {"e2"}, {"sub", 16}, {"e3"}};
    fs.AddDir("C:\\early\\sub");
    fs.dirs["C:\\early"].throwAt = 3;
    fs.dirs["C:\\late"].entries = {{"l1"}};
    fs.dirs["C:\\late"].throwAt = 0;
    fs.dirs["C:\\ok"].entries = {{"o1"}};
    const Result want = Serial(fs);
    ASSERT_EQ(want.error, "listing C:\\early");
    std::mutex m;
    std::condition_variable cv;
    bool lateDone = false;
    fs.dirs["C:\\late"].gate = [&] {
        std::lock_guard<std::mutex> lock(m);
        lateDone = true;
        cv.notify_all();
    };
    fs.dirs["C:\\early"].gate = [&] { // waits for "late" to have raised
        std::unique_lock<std::mutex> lock(m);
        cv.wait_for(lock, std::chrono::seconds(30), [&] { return lateDone; });
    };
    ParallelWalkSettings s;
    s.workers = 3;
    Ui ui;
    ExpectSame(want, Parallel(fs, ui, s), "early error");
}

// While a listing hangs, the calling thread goes on pumping and showing; an
// error its pump raises stops the workers and is raised once they are gone.
TEST(ParallelDriveWalk, TheCallingThreadPumpsWhileAListingHangs) {
    TreeFs fs;
    fs.dirs["C:"].entries = {{"slow", 16}, {"next", 16}};
    fs.AddDir("C:\\slow");
    fs.AddDir("C:\\next");
    fs.dirs["C:\\slow"].entries = {{"a"}, {"b"}};
    fs.dirs["C:\\next"].entries = {{"c"}};
    std::atomic<int> pumps{0};
    fs.dirs["C:\\slow"].gate = [&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (pumps < 5 && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
    };
    Ui ui;
    ui.onPump = [&] { ++pumps; };
    const Result got = Parallel(fs, ui, {});
    EXPECT_GE(ui.pumps, 5);
    EXPECT_EQ(ui.elsewhere, 0);
    EXPECT_EQ(got.files.v, Serial(fs).files.v);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back(), "C:\\next");

    struct Quit {};
    pumps = 0;
    Ui quitting;
    quitting.onPump = [&] {
        if (++pumps == 5)
            throw Quit{};
    };
    VecList dirs{{"C:"}}, files;
    EXPECT_THROW(ParallelWalkDrive(dirs, files, fs, quitting), Quit);
    EXPECT_EQ(dirs.v, (std::vector<std::string>{"C:", "C:\\slow", "C:\\next"}));
}

TEST(ParallelDriveWalk, NoDriveNoWalk) {
    TreeFs fs;
    VecList dirs{{""}}, files;
    Ui ui;
    ParallelWalkDrive(dirs, files, fs, ui);
    EXPECT_EQ(dirs.v, std::vector<std::string>{""});
    EXPECT_TRUE(fs.listed.empty());
    EXPECT_EQ(ui.pumps, 0);
}
