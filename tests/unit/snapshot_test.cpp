// The snapshot's line formats and the order of its two walks, without Windows.
#include "backup/format.h"
#include "snapshot/lines.h"
#include "snapshot/walk.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace snapshot;

namespace {

struct VecList {
    std::vector<std::string> v;
    void Add(std::string s) { v.push_back(std::move(s)); }
    void Clear() { v.clear(); }
    std::size_t Count() const { return v.size(); }
    const std::string& operator[](std::size_t i) const { return v[i]; }
};

struct FakeEntry {
    std::string name;
    std::uint32_t attributes = 32;
    std::uint32_t size = 0;
    std::uint32_t time = 0;
    bool link = false;
};

// A directory tree keyed by full path; entries in listing order.
struct FakeFs {
    std::map<std::string, std::vector<FakeEntry>> listings;
    std::set<std::string> directories; // paths that test as directories
    std::vector<std::string> listed;   // order of the listings started

    template <class F> bool List(const std::string& dir, F&& each) {
        listed.push_back(dir);
        auto it = listings.find(dir);
        if (it == listings.end())
            return false;
        for (const auto& e : it->second)
            each(ListedEntry{e.name.c_str(), e.attributes, e.size, e.time, e.link});
        return true;
    }
    bool IsDirectory(const std::string& path, const ListedEntry&) {
        return directories.count(path) > 0;
    }

    void Dir(const std::string& path, std::vector<FakeEntry> entries, bool withDots = true) {
        if (withDots)
            entries.insert(entries.begin(), {FakeEntry{".", 16}, FakeEntry{"..", 16}});
        for (const auto& e : entries)
            if ((e.attributes & 16) && e.name != "." && e.name != "..")
                directories.insert(path + "\\" + e.name);
        listings[path] = std::move(entries);
    }
};

struct FakeUi {
    int pumps = 0;
    std::vector<std::string> shown;
    void Pump() { ++pumps; }
    void ShowDirectory(const std::string& p) { shown.push_back(p); }
};

} // namespace

TEST(SnapshotLines, FileLineFields) {
    EXPECT_EQ(FileLine("C:\\WINNT", "win.ini", 1234,
                       backup::PackDosDateTime({2001, 5, 17, 14, 30, 20}), 32),
              "C:\\WINNT\\win.ini*1234*716272586*32");
    // Low 32 bits of 3,000,000,000 read as signed; hidden+system+archive.
    EXPECT_EQ(FileLine("C:", "big.bin", 3000000000u, 0, 38), "C:\\big.bin*-1294967296*0*38");
    // A date from 2044 on sets bit 31 of the packed value.
    EXPECT_EQ(FileLine("D:\\a b", "x", 0, backup::PackDosDateTime({2044, 1, 1, 0, 0, 0}), 1),
              "D:\\a b\\x*0*" +
                  std::to_string(
                      static_cast<std::int32_t>(backup::PackDosDateTime({2044, 1, 1, 0, 0, 0}))) +
                  "*1");
    // Names are copied as bytes (CP1252 umlaut), nothing quoted.
    EXPECT_EQ(FileLine("C:", "\xE4*1", 7, 1, 2), "C:\\\xE4*1*7*1*2");
}

TEST(SnapshotLines, DriveRoot) {
    EXPECT_EQ(RootOfDrive("c:"), "C:");
    EXPECT_EQ(RootOfDrive("\xE4:"), "\xE4:"); // only a-z are raised
}

TEST(SnapshotLines, FileNames) {
    EXPECT_EQ(LwdatLine("A:", "Festplatte"), "A: (Festplatte)");
    EXPECT_EQ(LwdatLine("C:", ""), "C: ()");
    EXPECT_EQ(LwdatLine("", "Festplatte"), " (Festplatte)");
    EXPECT_EQ(LwdatPath("C:\\Programme\\KELvar"), "C:\\Programme\\KELvar\\Lwdat.lst");
    EXPECT_EQ(DirListPath("D:", "a:"), "D:\\averz.lst");
    EXPECT_EQ(FileListPath("D:", "a:"), "D:\\adat.lst");
    EXPECT_EQ(DirListPath("D:\\K", ""), "D:\\K\\verz.lst");
    EXPECT_EQ(FileListPath("D:\\K", ""), "D:\\K\\dat.lst");
    EXPECT_EQ(RegListPath("C:\\K", 0), "C:\\K\\Reg_cr.lst");
    EXPECT_EQ(RegListPath("C:\\K", 4), "C:\\K\\Reg_cc.lst");
    EXPECT_EQ(RegCountPath("C:\\K"), "C:\\K\\Regcnt.cfg");
}

TEST(SnapshotDriveWalk, BreadthFirstInListingOrder) {
    FakeFs fs;
    fs.Dir("C:", {{"b", 16}, {"f1.txt", 32, 10, 5}, {"a", 16}},
           /*withDots=*/false); // a root has no dots
    fs.Dir("C:\\b", {{"b1", 16}, {"g.txt", 33, 1, 2}});
    fs.Dir("C:\\a", {{"a1", 16}});
    fs.Dir("C:\\b\\b1", {{"deep", 38, 3000000000u, 7}});
    fs.Dir("C:\\a\\a1", {});
    VecList dirs{{"C:"}}, files;
    FakeUi ui;
    WalkDrive(dirs, files, fs, ui);
    EXPECT_EQ(dirs.v, (std::vector<std::string>{"C:", "C:\\b", "C:\\a", "C:\\b\\b1", "C:\\a\\a1"}));
    EXPECT_EQ(files.v, (std::vector<std::string>{"C:\\f1.txt*10*5*32", "C:\\b\\g.txt*1*2*33",
                                                 "C:\\b\\b1\\deep*-1294967296*7*38"}));
    EXPECT_EQ(fs.listed,
              (std::vector<std::string>{"C:", "C:\\b", "C:\\a", "C:\\b\\b1", "C:\\a\\a1"}));
    // Every directory from the second one on is shown; the root is not.
    EXPECT_EQ(ui.shown, (std::vector<std::string>{"C:\\b", "C:\\a", "C:\\b\\b1", "C:\\a\\a1"}));
    // After every entry but each directory's first (dots included), and once per directory.
    EXPECT_EQ(ui.pumps, (2 + 3 + 2 + 2 + 1) + 5);
}

TEST(SnapshotDriveWalk, DirectoryIsDecidedByThePathNotTheBits) {
    FakeFs fs;
    fs.Dir("C:", {{"gone", 16, 0, 9}, {"dirlike", 32, 4, 9}});
    fs.directories = {"C:\\dirlike"}; // "gone" vanished before it was tested
    fs.Dir("C:\\dirlike", {{"x", 32}});
    VecList dirs{{"C:"}}, files;
    FakeUi ui;
    WalkDrive(dirs, files, fs, ui);
    EXPECT_EQ(dirs.v, (std::vector<std::string>{"C:", "C:\\dirlike"}));
    EXPECT_EQ(files.v, (std::vector<std::string>{"C:\\gone*0*9*16", "C:\\dirlike\\x*0*0*32"}));
}

TEST(SnapshotDriveWalk, WhichEntriesAreTestedOnThePath) {
    EXPECT_FALSE(NeedsDirectoryTest("a.txt", 32));
    EXPECT_FALSE(NeedsDirectoryTest(".hidden", 2 | 32));
    EXPECT_FALSE(NeedsDirectoryTest("x", 0x80));
    EXPECT_TRUE(NeedsDirectoryTest("dir", 16));
    EXPECT_TRUE(NeedsDirectoryTest("link", 0x400));
    EXPECT_TRUE(NeedsDirectoryTest("trailing.", 32)); // the path would name "trailing"
    EXPECT_TRUE(NeedsDirectoryTest("blank ", 32));
}

TEST(SnapshotDriveWalk, UnlistableDirectoryAndLinksEndTheWalk) {
    FakeFs fs;
    FakeEntry loop{"loop", 16 | 1024, 0, 0, /*link=*/true};
    FakeEntry off{"off", 16 | 1024, 0, 0, /*link=*/true};
    fs.Dir("C:", {{"locked", 16}, loop, off, {"sub", 16}}, false);
    fs.listings.erase("C:\\locked"); // listing cannot be started
    fs.Dir("C:\\sub", {{"f", 32}});
    // The links would lead back to the root and off the drive; they are never listed.
    fs.Dir("C:\\loop", {loop});
    fs.Dir("C:\\off", {{"elsewhere", 32}});
    VecList dirs{{"C:"}}, files;
    FakeUi ui;
    WalkDrive(dirs, files, fs, ui);
    EXPECT_EQ(dirs.v,
              (std::vector<std::string>{"C:", "C:\\locked", "C:\\loop", "C:\\off", "C:\\sub"}));
    EXPECT_EQ(files.v, (std::vector<std::string>{"C:\\sub\\f*0*0*32"}));
    EXPECT_EQ(fs.listed, (std::vector<std::string>{"C:", "C:\\locked", "C:\\sub"}));
    EXPECT_EQ(ui.shown.size(), 4u);
}

TEST(SnapshotDriveWalk, NoDriveNoWalk) {
    FakeFs fs;
    VecList dirs{{""}}, files;
    FakeUi ui;
    WalkDrive(dirs, files, fs, ui);
    EXPECT_EQ(dirs.v, std::vector<std::string>{""});
    EXPECT_TRUE(files.v.empty());
    EXPECT_TRUE(fs.listed.empty());
    EXPECT_EQ(ui.pumps, 0);
}

namespace {

// Keys by path below the root ("" the root); paths missing from the map cannot be opened.
struct FakeReg {
    std::map<std::string, std::vector<std::string>> keys;
    std::vector<std::string> opened;
    const std::vector<std::string>* open = nullptr;

    bool Open(const std::string& path) {
        opened.push_back(path);
        auto it = keys.find(path);
        open = it == keys.end() ? nullptr : &it->second;
        return open != nullptr;
    }
    template <class Ui> void SubkeyNames(VecList& out, Ui&) {
        if (open)
            for (const auto& n : *open)
                out.Add(n);
    }
};

} // namespace

TEST(SnapshotRegistryWalk, BreadthFirstExample) {
    FakeReg reg;
    reg.keys = {{"", {"A", "D"}}, {"\\A", {"B", "C"}}, {"\\D", {"E"}},   {"\\A\\B", {}},
                {"\\A\\C", {}},   {"\\D\\E", {"F"}},   {"\\D\\E\\F", {}}};
    VecList keys{{"stale"}}, names{{"stale"}};
    FakeUi ui;
    EXPECT_EQ(WalkRegistryRoot(keys, names, reg, ui), 6u);
    EXPECT_EQ(keys.v, (std::vector<std::string>{"A", "D", "A\\B", "A\\C", "D\\E", "D\\E\\F"}));
    EXPECT_TRUE(names.v.empty());
    EXPECT_EQ(ui.pumps, 6);
    EXPECT_EQ(reg.opened, (std::vector<std::string>{"", "\\A", "\\D", "\\A\\B", "\\A\\C", "\\D\\E",
                                                    "\\D\\E\\F"}));
}

TEST(SnapshotRegistryWalk, UnopenableKeysKeepTheirLine) {
    FakeReg reg;
    // "Locked" has subkeys the walk cannot see; a key with a blank and an umlaut is kept as is.
    reg.keys = {
        {"", {"Locked", "Gr\xFCn Blau"}}, {"\\Gr\xFCn Blau", {"x"}}, {"\\Gr\xFCn Blau\\x", {}}};
    VecList keys, names;
    FakeUi ui;
    EXPECT_EQ(WalkRegistryRoot(keys, names, reg, ui), 3u);
    EXPECT_EQ(keys.v, (std::vector<std::string>{"Locked", "Gr\xFCn Blau", "Gr\xFCn Blau\\x"}));

    FakeReg none; // the root itself cannot be opened
    EXPECT_EQ(WalkRegistryRoot(keys, names, none, ui), 0u);
    EXPECT_TRUE(keys.v.empty());
}

TEST(SnapshotRegistryWalk, NoDepthOrCountLimit) {
    FakeReg reg;
    std::string path;
    reg.keys[""] = {"k"};
    for (int depth = 1; depth <= 300; ++depth) {
        path += "\\k";
        reg.keys[path] = depth < 300 ? std::vector<std::string>{"k"} : std::vector<std::string>{};
    }
    for (int i = 0; i < 20000; ++i)
        reg.keys[""].push_back("w" + std::to_string(i));
    VecList keys, names;
    FakeUi ui;
    EXPECT_EQ(WalkRegistryRoot(keys, names, reg, ui), 20300u);
    EXPECT_EQ(keys.v.back().size(), 300u * 2 - 1);
}
