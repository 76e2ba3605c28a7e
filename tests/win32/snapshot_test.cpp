// The drive and registry snapshots under Wine, against fixture drives that
// snapshot_run.sh maps (q: a small tree, r: a root with only files) and a
// registry subtree of our own. Every byte of every written file is checked.
#include "importhook.h"
#include "runtime/errors.h"
#include "runtime/texts.h"
#include "snapshot/snapshot.h"
#include "backup/format.h"
#include "snapshot/lines.h"
#include "snapshot/parallel_walk.h"
#include "snapshot/ui_ticker.h"
#include "snapshot/win32_fs.h"
#include "toolkit/gdi.h"
#include "toolkit/string_list.h"
#include "worker_spy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <sddl.h>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace {

std::string ReadAll(const std::string& path) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string data;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        data.append(buf, got);
    ::CloseHandle(h);
    return data;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> SplitLines(const std::string& data) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < data.size()) {
        const auto end = data.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back("<no CR LF>" + data.substr(at));
            break;
        }
        lines.push_back(data.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\r\n";
    return s;
}

int Cmp(std::string_view a, std::string_view b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                            static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string p = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(p);
            else
                ::DeleteFileA(p.c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

// A fresh target directory in the temp folder on C:.
class TargetDir {
public:
    TargetDir() {
        static int n = 0;
        char tmp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, tmp);
        path_ = std::string(tmp) + "snaptest-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(++n);
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TargetDir() { RemoveTree(path_); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

class FakeHost : public snapshot::Host {
public:
    snapshot::WorkLists lists;
    tk::TStringList& list1 = lists.dirsOrKeys;
    tk::TStringList& list2 = lists.filesOrSubkeys;
    std::string driveText, designation = "Festplatte", target; // driveText as the list shows it
    std::vector<std::string> labels;
    int pumps = 0;
    int pumpsElsewhere = 0; // on a thread other than the one that made the host
    double maxGapMs = 0;

    void ShowStatusPath(const std::string& path) override { labels.push_back(path); }
    void ProcessMessages() override {
        if (::GetCurrentThreadId() != thread_)
            ++pumpsElsewhere;
        LARGE_INTEGER now, f;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&f);
        if (pumps++ > 0)
            maxGapMs = std::max(maxGapMs, (now.QuadPart - last_) * 1000.0 / f.QuadPart);
        last_ = now.QuadPart;
        MSG m;
        while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&m);
    }

private:
    long long last_ = 0;
    const DWORD thread_ = ::GetCurrentThreadId();
};

// The drive snapshot of the drive whose list item is host.driveText.
void TakeDrive(FakeHost& host) {
    const char letter = host.driveText.empty() ? '\0' : host.driveText[0];
    snapshot::TakeDriveSnapshot(host, host.lists, letter, host.designation, host.target);
}

void TakeRegistry(FakeHost& host, const HKEY (&roots)[5]) {
    snapshot::TakeRegistrySnapshot(host, host.lists, host.target, roots);
}

bool HaveFixture() {
    return std::getenv("SNAP_FIXTURE") != nullptr;
}
bool LockedIsUnreadable() {
    const char* v = std::getenv("SNAP_LOCKED");
    return v && std::string(v) == "1";
}

#define REQUIRE_FIXTURE()                                                                          \
    if (!HaveFixture())                                                                            \
    FAIL() << "run through tests/win32/snapshot_run.sh, which maps the fixture drives"

// Adjacent entries never out of order for CompareStringA.
void ExpectSortedByCompareString(const tk::TStringList& list) {
    for (std::size_t i = 1; i < list.Count(); ++i)
        EXPECT_NE(Cmp(list[i - 1], list[i]), CSTR_GREATER_THAN) << list[i - 1] << " / " << list[i];
}

} // namespace

// --- The sorted string list -------------------------------------------------

TEST(SnapshotStringList, SortEqualsCompareStringOrder) {
    // Umlauts as CP1252 bytes, hyphens, apostrophes, digits, case-only differences.
    const std::vector<std::string> atoms = {
        "a",    "A", "\xE4", "\xC4", "o", "\xF6", "\xD6",  "u",    "\xFC", "ss", "\xDF",
        "-",    "'", "0",    "1",    "9", "10",   " ",     "_",    "\\",   ".",  "e",
        "\xE9", "z", "Z",    "~",    "*", ":",    "co-op", "coop", "it's", "its"};
    std::mt19937 rng(1234);
    std::vector<std::string> names;
    for (int i = 0; i < 4000; ++i) {
        std::string s;
        const int n = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < n; ++k)
            s += atoms[rng() % atoms.size()];
        names.push_back(s);
    }
    for (int i = 0; i < 200; ++i)
        names.push_back(names[rng() % names.size()]); // duplicates

    tk::TStringList list;
    for (const auto& s : names)
        list.Add(s);
    list.SetSorted(true);
    ASSERT_EQ(list.Count(), names.size());

    std::vector<std::string> ref = names;
    std::stable_sort(ref.begin(), ref.end(), [](const std::string& a, const std::string& b) {
        return Cmp(a, b) == CSTR_LESS_THAN;
    });
    // Same order up to entries that CompareStringA calls equal, same entries.
    for (std::size_t i = 0; i < ref.size(); ++i)
        ASSERT_EQ(Cmp(list[i], ref[i]), CSTR_EQUAL) << i;
    std::vector<std::string> got = list.Items(), want = names;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    ExpectSortedByCompareString(list);

    // Entries equal for CompareStringA come out in one order whatever the order of adding.
    tk::TStringList reversed;
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        reversed.Add(*it);
    reversed.SetSorted(true);
    EXPECT_EQ(reversed.Items(), list.Items());
}

TEST(SnapshotStringList, KeysThatOutgrowTheirBufferKeepCompareStringOrder) {
    // "ß", "æ", "œ", "…", "™", "¼" make the longest keys (up to 12 bytes each on
    // Windows, fewer under Wine): with the starting buffer shrunk to two bytes
    // every key here outgrows it and must be asked for its size, never cut or
    // replaced by its bytes.
    struct Room {
        tk::SortKeyRoom was = tk::SetSortKeyRoom({0, 2});
        ~Room() { tk::SetSortKeyRoom(was); }
    } room;
    const std::vector<std::string> atoms = {"\xDF", "ss",   "\xE6", "ae",   "\x9C",
                                            "oe",   "\x85", "...",  "\x99", "TM",
                                            "\xBC", "1/4",  "a",    "Z",    "\\"};
    std::mt19937 rng(77);
    std::vector<std::string> names;
    for (int i = 0; i < 600; ++i) {
        std::string s;
        const int n = 1 + static_cast<int>(rng() % (i % 50 == 0 ? 250 : 12)); // some very long
        for (int k = 0; k < n; ++k)
            s += atoms[rng() % atoms.size()];
        names.push_back(s);
    }
    tk::TStringList list;
    for (const auto& s : names)
        list.Add(s);
    list.SetSorted(true);
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return Cmp(a, b) == CSTR_LESS_THAN;
    });
    ASSERT_EQ(list.Count(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(Cmp(list[i], names[i]), CSTR_EQUAL) << i << ": " << list[i] << " / " << names[i];
}

namespace {

void SortPathLinesLikeCompareString() {
    std::mt19937 rng(99);
    const std::vector<std::string> tails = {"Datei",    "datei",   "D\xE4tei", "Datei-1", "Datei'2",
                                            "Datei 10", "Datei 9", "DATEI",    "Da",      ""};
    std::vector<std::string> lines;
    for (int dir = 0; dir < 40; ++dir) {
        const std::string folder = "\\Ordner " + std::to_string(dir % 7) + "\\Unter\xFCrdner " +
                                   std::to_string(dir) + "\\";
        const int files = 1 + static_cast<int>(rng() % 60); // runs longer than 16
        for (int f = 0; f < files; ++f)
            lines.push_back(folder + tails[rng() % tails.size()] + std::to_string(f % 13) + "*" +
                            std::to_string(rng() % 5000) + "*716272586*32");
        lines.push_back(folder.substr(0, folder.size() - 1)); // the directory itself
        lines.push_back(lines[rng() % lines.size()]);         // a duplicate
    }
    tk::TStringList list;
    for (const auto& s : lines)
        list.Add(s);
    list.SetSorted(true);
    std::vector<std::string> ref = lines;
    std::stable_sort(ref.begin(), ref.end(), [](const std::string& a, const std::string& b) {
        return Cmp(a, b) == CSTR_LESS_THAN;
    });
    ASSERT_EQ(list.Count(), ref.size());
    for (std::size_t i = 0; i < ref.size(); ++i)
        ASSERT_EQ(Cmp(list[i], ref[i]), CSTR_EQUAL) << i << ": " << list[i] << " / " << ref[i];
    std::vector<std::string> got = list.Items(), want = lines;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
}

} // namespace

TEST(SnapshotStringList, PathLinesInWalkOrderSortLikeCompareString) {
    // Snapshot lines share long prefixes and come in long runs of one directory:
    // the shape the key store is built for, unlike the short random names above.
    // Made and sorted by one thread, and split: each thread's keys lie in
    // blocks of their own joined behind the first thread's, and the threads
    // hand each other ranges of over 16 or 100 entries, keys made again in
    // full (beyond their kept bytes) among them.
    for (const tk::SortKeyThreads split :
         {tk::SortKeyThreads{1, 16}, tk::SortKeyThreads{3, 16}, tk::SortKeyThreads{5, 100}}) {
        SCOPED_TRACE(std::to_string(split.threads) + " threads");
        struct Split {
            tk::SortKeyThreads was;
            ~Split() { tk::SetSortKeyThreads(was); }
        } restore{tk::SetSortKeyThreads(split)};
        SortPathLinesLikeCompareString();
    }
}

TEST(SnapshotStringList, EntriesKeepTheirBytesAcrossBlocksAndClear) {
    // Lengths around the stored length's byte boundaries, a zero inside, and
    // entries longer than a storage block, which get a block of their own.
    std::vector<std::string> entries;
    for (std::size_t n : {0u, 1u, 127u, 128u, 16383u, 16384u, (3u << 20) + 5, 70000u})
        entries.push_back(std::string(n, static_cast<char>('a' + n % 26)));
    entries.push_back(std::string("vor\0nach", 8));
    tk::TStringList list;
    for (int pass = 0; pass < 2; ++pass) { // the second pass reuses the kept block
        list.Clear();
        for (int k = 0; k < 3; ++k)
            for (const auto& e : entries)
                list.Add(e);
        ASSERT_EQ(list.Count(), entries.size() * 3);
        for (std::size_t i = 0; i < list.Count(); ++i)
            ASSERT_EQ(list[i], entries[i % entries.size()]) << pass << "/" << i;
    }
    // An entry added from the list itself survives the new block it may start.
    list.Add(list[5]);
    EXPECT_EQ(list[list.Count() - 1], entries[5]);

    // Sorting and saving a large list hand the pump a turn as they go, also
    // while other threads make keys and sort.
    for (const unsigned threads : {1u, 3u}) {
        struct Split {
            tk::SortKeyThreads was;
            ~Split() { tk::SetSortKeyThreads(was); }
        } restore{tk::SetSortKeyThreads({threads, 4096})};
        tk::TStringList shuffled;
        for (int i = 0; i < 50000; ++i)
            shuffled.Add("S:\\Ordner\\Datei " + std::to_string((i * 7919) % 50000));
        int pumps = 0;
        shuffled.SetSorted(true, [&] { ++pumps; });
        EXPECT_GT(pumps, 40 / static_cast<int>(threads)) << threads << " threads";
        ExpectSortedByCompareString(shuffled);
    }
    // A pump that raises (the program is ending, say) stops the sort on every
    // thread; the caller gets the error, and the list stays as it was, unsorted.
    // The raise falls at the 1st, 2nd, 4th... turn until a sort ends first: on
    // one thread the turns are always the same, key making and sorting alike;
    // on three they depend on which thread took which job.
    for (const unsigned threads : {1u, 3u}) {
        struct Split {
            tk::SortKeyThreads was;
            ~Split() { tk::SetSortKeyThreads(was); }
        } restore{tk::SetSortKeyThreads({threads, 4096})};
        int raised = 0;
        for (int raiseAt = 1;; raiseAt *= 2) {
            tk::TStringList list;
            for (int i = 0; i < 50000; ++i)
                list.Add("S:\\Ordner\\Datei " + std::to_string((i * 7919) % 50000));
            const auto before = list.Items();
            int pumps = 0;
            bool threw = false;
            try {
                list.SetSorted(true, [&] {
                    if (++pumps == raiseAt)
                        throw std::runtime_error("Programmende");
                });
            } catch (const std::runtime_error&) {
                threw = true;
            }
            if (!threw) {
                EXPECT_LT(pumps, raiseAt) << threads << " threads: a raise was lost";
                ExpectSortedByCompareString(list);
                break;
            }
            ++raised;
            EXPECT_FALSE(list.Sorted()) << threads << " threads, raised at " << raiseAt;
            EXPECT_EQ(list.Items(), before) << threads << " threads, raised at " << raiseAt;
            list.SetSorted(true);
            ExpectSortedByCompareString(list);
        }
        EXPECT_GE(raised, 2) << threads << " threads: no raise fell after the first turn";
    }
    tk::TStringList big;
    for (int i = 0; i < 50000; ++i)
        big.Add("S:\\Ordner\\Datei " + std::to_string((i * 7919) % 50000));
    big.SetSorted(true);
    int pumps = 0;
    TargetDir dir;
    pumps = 0;
    big.SaveToFile(dir / "big.lst", [&] { ++pumps; });
    EXPECT_GE(pumps, 1);
    EXPECT_EQ(ReadAll(dir / "big.lst").size(), [&] {
        std::size_t n = 0;
        for (std::size_t i = 0; i < big.Count(); ++i)
            n += big[i].size() + 2;
        return n;
    }());
}

TEST(SnapshotStringList, AddWhileSortedAndSaving) {
    TargetDir dir;
    tk::TStringList list;
    list.SaveToFile(dir / "empty.lst");
    EXPECT_EQ(ReadAll(dir / "empty.lst"), "");

    list.Add("b");
    list.Add("B");
    list.Add("a");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"b", "B", "a"})); // unsorted: order of adding
    list.SetSorted(true);
    list.Add("\xC4rger"); // Ä sorts with A
    list.Add("b");
    ASSERT_EQ(list.Count(), 5u);
    EXPECT_EQ(list[0], "a");
    EXPECT_EQ(list[1], "\xC4rger");
    ExpectSortedByCompareString(list);
    list.SaveToFile(dir / "l.lst");
    std::string want;
    for (const auto& s : list.Items())
        want += s + "\r\n";
    EXPECT_EQ(ReadAll(dir / "l.lst"), want);

    // Saving replaces an existing file; an uncreatable file raises the runtime's text.
    tk::TStringList one;
    one.Add("x");
    one.SaveToFile(dir / "l.lst");
    EXPECT_EQ(ReadAll(dir / "l.lst"), "x\r\n");
    const std::string bad = dir / "missing\\l.lst";
    try {
        one.SaveToFile(bad);
        FAIL() << "no error";
    } catch (const rt::EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Datei " + bad + " kann nicht erstellt werden");
    }
}

// --- Drive snapshot ---------------------------------------------------------

namespace {

std::string FixtureFileList(bool withSecret) {
    const auto t = [](int y, int mo, int d, int h, int mi, int s) {
        return std::to_string(
            static_cast<std::int32_t>(backup::PackDosDateTime({y, mo, d, h, mi, s})));
    };
    std::string s;
    s += "Q:\\.hidden*0*" + t(2010, 1, 2, 3, 4, 6) + "*34\r\n";
    s += "Q:\\big.bin*-1294967296*" + t(1999, 12, 31, 23, 59, 59) + "*32\r\n";
    if (withSecret)
        s += "Q:\\locked\\secret.txt*1*" + std::string("IGNORED") + "\r\n";
    s += "Q:\\M\xFCller.txt*1*716272586*32\r\n";
    s += "Q:\\plain.txt*5*716272586*32\r\n";
    s += "Q:\\ro.txt*3*" + t(2020, 2, 29, 23, 59, 58) + "*33\r\n";
    s += "Q:\\sub\\nested\\deep.txt*5*" + t(2005, 6, 7, 8, 9, 10) + "*32\r\n";
    s += "Q:\\sys.dat*4*" + t(2005, 6, 7, 8, 9, 10) + "*38\r\n";
    return s;
}

void MarkSystemFile() {
    // Hidden, system and archive: Wine keeps these in an extended attribute.
    ASSERT_TRUE(::SetFileAttributesA("Q:\\sys.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                        FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_EQ(::GetFileAttributesA("Q:\\sys.dat"), 38u);
}

} // namespace

TEST(SnapshotDrive, FixtureTreeBytes) {
    REQUIRE_FIXTURE();
    MarkSystemFile();
    TargetDir out;
    FakeHost host;
    host.driveText = "q: [FIXTURE]";
    host.target = out.path();
    TakeDrive(host);

    EXPECT_EQ(ReadAll(out / "Lwdat.lst"), "Q: (Festplatte)\r\n");
    // Links are recorded as directories but not entered; the loop and the way
    // off the drive end there. The unreadable directory keeps its entry.
    EXPECT_EQ(ReadAll(out / "qverz.lst"), Lines({"Q:", "Q:\\locked", "Q:\\loop", "Q:\\offdrive",
                                                 "Q:\\sub", "Q:\\sub\\empty", "Q:\\sub\\nested"}));
    std::string files = ReadAll(out / "qdat.lst");
    if (!LockedIsUnreadable()) {
        // Readable after all: its one file is listed; its time depends on the run.
        const auto at = files.find("Q:\\locked\\secret.txt*1*");
        ASSERT_NE(at, std::string::npos);
        const auto end = files.find("\r\n", at);
        files.replace(at, end - at, "Q:\\locked\\secret.txt*1*IGNORED");
    }
    EXPECT_EQ(files, FixtureFileList(!LockedIsUnreadable()));
    EXPECT_EQ(files.find("escaped"), std::string::npos);

    // The window's lists are left sorted and filled, as written.
    EXPECT_TRUE(host.list1.Sorted());
    EXPECT_TRUE(host.list2.Sorted());
    EXPECT_EQ(host.list1.Count(), 7u);
    // The status ends on the last directory walked (a child of sub, breadth-first,
    // in the platform's listing order); never the root.
    ASSERT_FALSE(host.labels.empty());
    EXPECT_TRUE(host.labels.back() == "Q:\\sub\\empty" || host.labels.back() == "Q:\\sub\\nested")
        << host.labels.back();
    EXPECT_EQ(std::count(host.labels.begin(), host.labels.end(), "Q:"), 0);
    EXPECT_GE(host.pumps, 1);

    // An unchanged drive gives identical files.
    TargetDir again;
    FakeHost second;
    second.driveText = "q:";
    second.designation = "Festplatte";
    second.target = again.path();
    TakeDrive(second);
    for (const char* f : {"Lwdat.lst", "qverz.lst", "qdat.lst"})
        EXPECT_EQ(ReadAll(out / f), ReadAll(again / f)) << f;
}

TEST(SnapshotDrive, RootWithOnlyFilesAndEmptyDesignation) {
    REQUIRE_FIXTURE();
    TargetDir out;
    FakeHost host;
    host.driveText = "r:";
    host.designation = "";
    host.target = out.path();
    TakeDrive(host);
    EXPECT_EQ(ReadAll(out / "Lwdat.lst"), "R: ()\r\n");
    EXPECT_EQ(ReadAll(out / "rverz.lst"), "R:\r\n");
    EXPECT_EQ(ReadAll(out / "rdat.lst"),
              Lines({"R:\\a.txt*2*716272586*32", "R:\\B.TXT*3*716272586*32",
                     "R:\\c d.txt*0*716272586*32"}));
    EXPECT_TRUE(host.labels.empty()); // the root is never shown
}

TEST(SnapshotDrive, PathsBeyondMaxPathAreNotPassedToTheAnsiFunctions) {
    REQUIRE_FIXTURE();
    TargetDir out;
    FakeHost host;
    host.driveText = "l:";
    host.target = out.path();
    TakeDrive(host);
    const std::string b = "L:\\" + std::string(120, 'a') + "\\" + std::string(120, 'b');
    // The same lists as Windows gives a program that is not long-path aware.
    EXPECT_EQ(ReadAll(out / "lverz.lst"),
              Lines({"L:", "L:\\" + std::string(120, 'a'), b, b + "\\" + std::string(12, 'd'),
                     b + "\\" + std::string(14, 'g')}));
    EXPECT_EQ(ReadAll(out / "ldat.lst"), Lines({b + "\\" + std::string(20, 'c') + "*0*716272586*16",
                                                b + "\\" + std::string(20, 'e') + "*1*716272586*32",
                                                b + "\\f.txt*1*716272586*32"}));
}

// On Windows a listing of a drive whose medium was taken out would show the
// system's "no disk" box unless critical errors are suppressed.
TEST(SnapshotDrive, ListingsRunWithCriticalErrorsSuppressed) {
    REQUIRE_FIXTURE();
    ErrorModeSpy<decltype(::FindFirstFileExA)> spy("FindFirstFileExA");
    ASSERT_TRUE(spy.Active());
    TargetDir out;
    FakeHost host;
    host.driveText = "r:";
    host.target = out.path();
    const UINT previous = ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
    TakeDrive(host);
    EXPECT_EQ(::SetErrorMode(previous), UINT(SEM_NOGPFAULTERRORBOX));
    ASSERT_FALSE(errorModesSeen.empty());
    for (UINT mode : errorModesSeen)
        EXPECT_EQ(mode, UINT(SEM_FAILCRITICALERRORS));
}

// The workers list through the Win32 calls what the single-threaded walk lists,
// in the same order, on drives with links, an unreadable directory, paths at the
// length limit, names differing only in case and names Win32 reads as others.
TEST(SnapshotDrive, ParallelWalkListsWhatTheSingleThreadedWalkLists) {
    REQUIRE_FIXTURE();
    struct Ui {
        int pumps = 0;
        void Pump() { ++pumps; }
        void ShowDirectory(const std::string&) {}
        void Wait(std::chrono::milliseconds most) { ::Sleep(static_cast<DWORD>(most.count())); }
    };
    for (const char* root : {"P:", "Q:", "L:"}) {
        snapshot::Win32Fs fs;
        tk::TStringList dirs, files, pdirs, pfiles;
        dirs.Add(root);
        pdirs.Add(root);
        Ui ui;
        snapshot::WalkDrive(dirs, files, fs, ui);
        snapshot::ParallelWalkSettings settings;
        settings.workers = 3;
        snapshot::ParallelWalkDrive(pdirs, pfiles, fs, ui, settings);
        EXPECT_EQ(dirs.Items(), pdirs.Items()) << root;
        EXPECT_EQ(files.Items(), pfiles.Items()) << root;
        if (std::string(root) == "P:") {
            const auto d = dirs.Items();
            for (const char* want : {"P:\\Daten", "P:\\daten", "P:\\x.", "P:\\wide\\up",
                                     "P:\\deep\\1\\2\\3\\4\\5\\6\\7\\8\\9"})
                EXPECT_NE(std::find(d.begin(), d.end(), want), d.end()) << want;
            EXPECT_GT(files.Count(), 300u);
        }
    }
}

// While the walk's workers list, the window's thread waits in the ticker: a
// message that arrives is answered then, not when the interval is over, and
// the status line still changes only once per its own interval.
TEST(SnapshotTicker, AMessageEndsTheWaitAndTheStatusLineKeepsItsInterval) {
    using namespace std::chrono;
    FakeHost host;
    snapshot::UiTicker ui(host, /*withLabel=*/true, seconds(5), seconds(5));
    MSG m;
    ::PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE); // this thread has its queue
    const DWORD self = ::GetCurrentThreadId();
    std::thread poster([self] {
        ::Sleep(50);
        ::PostThreadMessageA(self, WM_APP + 7, 0, 0);
    });
    const auto t0 = steady_clock::now();
    ui.Wait(seconds(5));
    const auto waited = steady_clock::now() - t0;
    poster.join();
    EXPECT_LT(waited, milliseconds(2500)) << "the wait slept out its interval";
    ui.ShowDirectory("C:\\Daten");
    ui.Pump();
    EXPECT_EQ(host.pumps, 1) << "the message was left for the next interval";
    EXPECT_FALSE(::PeekMessageA(&m, nullptr, WM_APP + 7, WM_APP + 7, PM_NOREMOVE));
    EXPECT_TRUE(host.labels.empty()) << "the status line changed before its interval";

    // With nothing posted the wait lasts, and nothing is pumped: a queue
    // already looked at does not wake it again.
    const auto t1 = steady_clock::now();
    ui.Wait(milliseconds(200));
    EXPECT_GE(steady_clock::now() - t1, milliseconds(150));
    ui.Pump();
    EXPECT_EQ(host.pumps, 1);
    ui.Finish();
    EXPECT_EQ(host.labels, std::vector<std::string>{"C:\\Daten"});
}

// Each look at the queue and each change of the status line costs the server
// time under Wine: a wait that ends with nothing new is a look, so the pump
// after it does not peek however long it lasted, and the status line follows
// its own clock, not the pump's.
TEST(SnapshotTicker, AQuietWaitCountsAsALookAndTheStatusLineHasItsOwnClock) {
    using namespace std::chrono;
    FakeHost host;
    snapshot::UiTicker ui(host, /*withLabel=*/true, milliseconds(20), milliseconds(300));
    MSG m;
    ::PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
    const auto t0 = steady_clock::now();
    ui.Wait(milliseconds(350));
    EXPECT_GE(steady_clock::now() - t0, milliseconds(300)) << "the pump interval cut the wait";
    ui.Pump();
    EXPECT_EQ(host.pumps, 0) << "peeked at a queue the wait had just found quiet";
    ui.ShowDirectory("C:\\Daten"); // past the status interval: shown
    EXPECT_EQ(host.labels, std::vector<std::string>{"C:\\Daten"});
    EXPECT_EQ(host.pumps, 0);

    // Without waits the pump peeks once per its interval, while the status
    // line waits for its own.
    ::Sleep(60);
    ui.ShowDirectory("C:\\Daten\\Alt");
    EXPECT_EQ(host.pumps, 1);
    EXPECT_EQ(host.labels.size(), 1u) << "the status line changed with the pump";
    ::Sleep(300);
    ui.Pump();
    EXPECT_EQ(host.labels.back(), "C:\\Daten\\Alt");
}

TEST(SnapshotDrive, NoDriveSelected) {
    TargetDir out;
    FakeHost host;
    host.driveText = "";
    host.target = out.path();
    TakeDrive(host);
    EXPECT_EQ(ReadAll(out / "Lwdat.lst"), " (Festplatte)\r\n");
    EXPECT_EQ(ReadAll(out / "verz.lst"), "\r\n");
    EXPECT_EQ(ReadAll(out / "dat.lst"), "");
    EXPECT_EQ(host.list1.Items(), std::vector<std::string>{""});
    EXPECT_EQ(host.pumps, 0);
}

TEST(SnapshotDrive, FileErrorsAreRaisedWithTheRuntimeTexts) {
    REQUIRE_FIXTURE();
    {
        // "Lwdat.lst" cannot be created: input/output error, no list files.
        TargetDir out;
        ::CreateDirectoryA((out / "Lwdat.lst").c_str(), nullptr);
        FakeHost host;
        host.driveText = "r:";
        host.target = out.path();
        try {
            TakeDrive(host);
            FAIL() << "no error";
        } catch (const rt::EInOutError& e) {
            EXPECT_EQ(e.Message(), rt::InOutErrorText(e.ErrorCode()));
            EXPECT_EQ(e.ErrorCode(), 5);
            EXPECT_EQ(e.Message(), "Dateizugriff verweigert");
        }
        EXPECT_FALSE(Exists(out / "rverz.lst"));
        EXPECT_FALSE(Exists(out / "rdat.lst"));
    }
    {
        // The directory list cannot be created: the file list is not written either.
        TargetDir out;
        ::CreateDirectoryA((out / "rverz.lst").c_str(), nullptr);
        FakeHost host;
        host.driveText = "r:";
        host.target = out.path();
        try {
            TakeDrive(host);
            FAIL() << "no error";
        } catch (const rt::EFCreateError& e) {
            EXPECT_EQ(e.Message(), "Datei " + (out / "rverz.lst") + " kann nicht erstellt werden");
        }
        EXPECT_EQ(ReadAll(out / "Lwdat.lst"), "R: (Festplatte)\r\n");
        EXPECT_FALSE(Exists(out / "rdat.lst"));
    }
    {
        // Target missing altogether.
        FakeHost host;
        host.driveText = "";
        host.target = "C:\\no\\such\\dir";
        EXPECT_THROW(TakeDrive(host), rt::EInOutError);
    }
}

// --- Registry snapshot ------------------------------------------------------

namespace {

// A subtree HKCU\Software\KelvarSnapTest-<pid> with one test root per real root.
class RegFixture {
public:
    RegFixture() : base_("Software\\KelvarSnapTest-" + std::to_string(::GetCurrentProcessId())) {
        Create("R0\\A\\B");
        Create("R0\\A\\C");
        Create("R0\\D\\E\\F");
        Create("R1");
        Create("R2\\Gr\xFCn Blau\\x y");
        // A name outside code page 1252: the ANSI listing cannot name it, so it cannot be opened.
        HKEY k = nullptr;
        const std::wstring wide = L"Software\\KelvarSnapTest-" +
                                  std::to_wstring(::GetCurrentProcessId()) +
                                  L"\\R2\\\x4E2D\\hidden";
        ::RegCreateKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &k, nullptr);
        ::RegCloseKey(k);
        char ansi[8] = {};
        ::WideCharToMultiByte(CP_ACP, 0, L"\x4E2D", 1, ansi, sizeof ansi - 1, nullptr, nullptr);
        cjkAnsi = ansi;
        Create("R3\\Locked\\Inner");
        Create("R3\\Open\\Child");
        // Readable but not writable: full access is refused.
        HKEY locked = Open("R3\\Locked", KEY_ALL_ACCESS);
        PSECURITY_DESCRIPTOR sd = nullptr;
        ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRSDWD;;;WD)",
                                                               SDDL_REVISION_1, &sd, nullptr);
        ::RegSetKeySecurity(locked, DACL_SECURITY_INFORMATION, sd);
        ::LocalFree(sd);
        ::RegCloseKey(locked);
        for (int i = 0; i < 200; ++i) {
            char n[16];
            wsprintfA(n, "k%03d", i);
            Create(std::string("R4\\") + n);
        }
        std::string chain = "R4\\z";
        for (int d = 0; d < 30; ++d) {
            Create(chain);
            chain += "\\d";
        }
        for (int i = 0; i < 5; ++i)
            roots[i] = Open("R" + std::to_string(i), KEY_READ);
    }
    ~RegFixture() {
        for (HKEY r : roots)
            ::RegCloseKey(r);
        HKEY locked = Open("R3\\Locked", WRITE_DAC);
        if (locked) {
            PSECURITY_DESCRIPTOR sd = nullptr;
            ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)",
                                                                   SDDL_REVISION_1, &sd, nullptr);
            ::RegSetKeySecurity(locked, DACL_SECURITY_INFORMATION, sd);
            ::LocalFree(sd);
            ::RegCloseKey(locked);
        }
        ::RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
    // Every key and value below the base, with the keys' last-write times.
    std::string Dump() const { return DumpKey(base_); }
    const std::string& Base() const { return base_; }

    HKEY roots[5] = {};
    std::string cjkAnsi;

private:
    void Create(const std::string& sub) {
        HKEY k = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (base_ + "\\" + sub).c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(k, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
        ::RegCloseKey(k);
    }
    HKEY Open(const std::string& sub, REGSAM access) const {
        HKEY k = nullptr;
        ::RegOpenKeyExA(HKEY_CURRENT_USER, (base_ + "\\" + sub).c_str(), 0, access, &k);
        return k;
    }
    std::string DumpKey(const std::string& path) const {
        HKEY k = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return path + " <closed>\n";
        DWORD subkeys = 0, values = 0;
        FILETIME written{};
        ::RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                           nullptr, nullptr, nullptr, &written);
        std::string s = path + " " + std::to_string(values) + " " +
                        std::to_string(written.dwLowDateTime) + "\n";
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD len = sizeof name;
            if (::RegEnumKeyExA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            s += DumpKey(path + "\\" + name);
        }
        ::RegCloseKey(k);
        return s;
    }

    std::string base_;
};

std::string R4Lines() {
    std::string s;
    for (int i = 0; i < 200; ++i) {
        char n[16];
        wsprintfA(n, "k%03d", i);
        s += std::string(n) + "\r\n";
    }
    std::string chain = "z";
    for (int d = 0; d < 30; ++d) {
        s += chain + "\r\n";
        chain += "\\d";
    }
    return s;
}

} // namespace

TEST(SnapshotRegistry, TestRootsBytes) {
    RegFixture reg;
    const std::string before = reg.Dump();
    TargetDir out;
    FakeHost host;
    host.target = out.path();
    host.list1.Add("stale");
    host.list1.SetSorted(true);
    host.list2.Add("stale");
    TakeRegistry(host, reg.roots);

    EXPECT_EQ(ReadAll(out / "Reg_cr.lst"), Lines({"A", "D", "A\\B", "A\\C", "D\\E", "D\\E\\F"}));
    EXPECT_EQ(ReadAll(out / "Reg_cu.lst"), "");
    EXPECT_EQ(ReadAll(out / "Reg_lm.lst"),
              Lines({"Gr\xFCn Blau", reg.cjkAnsi, "Gr\xFCn Blau\\x y"}));
    EXPECT_EQ(ReadAll(out / "Reg_u.lst"), Lines({"Locked", "Open", "Open\\Child"}));
    EXPECT_EQ(ReadAll(out / "Reg_cc.lst"), R4Lines());
    EXPECT_EQ(ReadAll(out / "Regcnt.cfg"), "242\r\n");
    EXPECT_EQ(host.list1.Count(), 0u);
    EXPECT_EQ(host.list2.Count(), 0u);
    EXPECT_FALSE(host.list1.Sorted());
    EXPECT_TRUE(host.labels.empty()); // the registry walk leaves the status line alone
    EXPECT_GE(host.pumps, 1);
    EXPECT_EQ(reg.Dump(), before); // nothing created, changed or deleted
}

TEST(SnapshotRegistry, FilesAreWrittenInOrderAndAFailureStopsThere) {
    RegFixture reg;
    TargetDir out;
    ::CreateDirectoryA((out / "Reg_lm.lst").c_str(), nullptr);
    FakeHost host;
    host.target = out.path();
    try {
        TakeRegistry(host, reg.roots);
        FAIL() << "no error";
    } catch (const rt::EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Datei " + (out / "Reg_lm.lst") + " kann nicht erstellt werden");
    }
    EXPECT_EQ(ReadAll(out / "Reg_cr.lst"), Lines({"A", "D", "A\\B", "A\\C", "D\\E", "D\\E\\F"}));
    EXPECT_TRUE(Exists(out / "Reg_cu.lst"));
    EXPECT_FALSE(Exists(out / "Reg_u.lst"));
    EXPECT_FALSE(Exists(out / "Reg_cc.lst"));
    EXPECT_FALSE(Exists(out / "Regcnt.cfg"));
}

// The walk, the lists and the files are a worker's, while the calling thread
// answers each message as it comes: the worker's first enumerations wait for
// a message to the calling thread to be handled.
TEST(SnapshotRegistry, TheCallerPumpsWhileAWorkerWalksAndWrites) {
    RegFixture reg;
    TargetDir out;
    FakeHost host;
    host.target = out.path();
    WorkerSpy spy(4);
    {
        SpiedCall<decltype(::RegEnumKeyExA)> walk("advapi32.dll", "RegEnumKeyExA");
        SpiedCall<decltype(::CreateFileA)> files("kernel32.dll", "CreateFileA");
        ASSERT_TRUE(walk.Active() && files.Active());
        TakeRegistry(host, reg.roots);
    }
    EXPECT_EQ(spy.OnCaller(), 0) << "keys listed or files created on the calling thread";
    EXPECT_GE(spy.OnWorker(), 242 + 6);
    EXPECT_EQ(spy.Answers(), 4) << "the calling thread did not pump while the worker ran";
    // One pump may answer several messages that came together.
    EXPECT_GE(host.pumps, 1);
    EXPECT_EQ(host.pumpsElsewhere, 0);
    EXPECT_EQ(ReadAll(out / "Reg_cc.lst"), R4Lines());
    EXPECT_EQ(ReadAll(out / "Regcnt.cfg"), "242\r\n");
}

// What the worker raises is raised on the calling thread as it was: the file
// layer's input/output error, with its code and text, once Regcnt.cfg fails.
TEST(SnapshotRegistry, ErrorsOfTheWorkerAreRaisedOnTheCaller) {
    RegFixture reg;
    TargetDir out;
    ::CreateDirectoryA((out / "Regcnt.cfg").c_str(), nullptr);
    FakeHost host;
    host.target = out.path();
    WorkerSpy spy(0);
    {
        SpiedCall<decltype(::CreateFileA)> files("kernel32.dll", "CreateFileA");
        ASSERT_TRUE(files.Active());
        try {
            TakeRegistry(host, reg.roots);
            ADD_FAILURE() << "no error";
        } catch (const rt::EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), 5);
            EXPECT_EQ(e.Message(), "Dateizugriff verweigert");
        }
    }
    EXPECT_EQ(spy.OnWorker(), 6) << "five lists and the count, created on the worker";
    EXPECT_EQ(spy.OnCaller(), 0);
    EXPECT_EQ(ReadAll(out / "Reg_cc.lst"), R4Lines());
}

// The walk of the drive stays here; sorting the lists and writing the files
// is a worker's, while this thread answers each message as it comes.
TEST(SnapshotDrive, TheCallerPumpsWhileAWorkerSortsAndWrites) {
    REQUIRE_FIXTURE();
    TargetDir out;
    FakeHost host;
    host.driveText = "r:";
    host.target = out.path();
    WorkerSpy spy(3);
    {
        SpiedCall<decltype(::CreateFileA)> files("kernel32.dll", "CreateFileA");
        ASSERT_TRUE(files.Active());
        TakeDrive(host);
    }
    EXPECT_EQ(spy.OnCaller(), 0) << "files created on the calling thread";
    EXPECT_EQ(spy.OnWorker(), 3);
    EXPECT_EQ(spy.Answers(), 3) << "the calling thread did not pump while the worker ran";
    EXPECT_EQ(host.pumpsElsewhere, 0);
    EXPECT_EQ(ReadAll(out / "rverz.lst"), "R:\r\n");
}

// The one walk of the prefix's real C:, then the registry snapshot into the
// same folder, as a run on the target's drive takes them.
TEST(SnapshotDrive, DriveOfTargetThenTheRegistry) {
    RegFixture reg;
    TargetDir out; // on C:
    FakeHost host;
    host.driveText = "c:";
    host.target = out.path();
    TakeDrive(host);
    TakeRegistry(host, reg.roots);

    EXPECT_EQ(ReadAll(out / "Lwdat.lst"), "C: (Festplatte)\r\n");
    EXPECT_EQ(ReadAll(out / "Regcnt.cfg"), "242\r\n");

    const auto dirs = SplitLines(ReadAll(out / "cverz.lst"));
    ASSERT_GT(dirs.size(), 10u);
    EXPECT_EQ(dirs[0], "C:");
    EXPECT_NE(std::find(dirs.begin(), dirs.end(), "C:\\windows"), dirs.end());
    // Wine's user folders are links into the Unix home: listed, never entered.
    int links = 0;
    for (const auto& d : dirs) {
        const DWORD a = ::GetFileAttributesA(d.c_str());
        if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        ++links;
        const std::string below = d + "\\";
        for (const auto& other : dirs)
            EXPECT_NE(other.rfind(below, 0), 0u) << other << " lies below the link " << d;
    }
    EXPECT_GE(links, 1);
    // The target's own folder is listed, its output (written after the walk) is not.
    const auto files = ReadAll(out / "cdat.lst");
    EXPECT_EQ(files.find("Lwdat.lst"), std::string::npos);
    EXPECT_NE(std::find(dirs.begin(), dirs.end(), out.path()), dirs.end());
    tk::TStringList check;
    for (const auto& d : dirs)
        check.Add(d);
    ExpectSortedByCompareString(check);
}

// The whole registry of the prefix, once.
TEST(SnapshotRegistry, WholeRegistryCountsMatch) {
    RegFixture reg;
    TargetDir out;
    FakeHost host;
    host.target = out.path();
    snapshot::TakeRegistrySnapshot(host, host.lists, host.target);
    long long sum = 0;
    for (const char* f : {"Reg_cr.lst", "Reg_cu.lst", "Reg_lm.lst", "Reg_u.lst", "Reg_cc.lst"}) {
        const auto lines = SplitLines(ReadAll(out / f));
        for (const auto& l : lines)
            ASSERT_EQ(l.find("<no CR LF>"), std::string::npos) << f;
        sum += static_cast<long long>(lines.size());
    }
    EXPECT_GT(sum, 1000);
    EXPECT_EQ(ReadAll(out / "Regcnt.cfg"), std::to_string(sum) + "\r\n");
    const auto cu = SplitLines(ReadAll(out / "Reg_cu.lst"));
    const std::string locked = reg.Base() + "\\R3\\Locked";
    EXPECT_NE(std::find(cu.begin(), cu.end(), locked), cu.end());
    EXPECT_EQ(std::find(cu.begin(), cu.end(), locked + "\\Inner"), cu.end());
    EXPECT_NE(std::find(cu.begin(), cu.end(), reg.Base() + "\\R4\\z\\d\\d"), cu.end());
    const auto lm = SplitLines(ReadAll(out / "Reg_lm.lst"));
    EXPECT_NE(std::find(lm.begin(), lm.end(), "Software\\Microsoft"), lm.end());
}
