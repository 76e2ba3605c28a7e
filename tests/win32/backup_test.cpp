// TBackupFile under Wine: real files, dates, directories and message boxes.
#include "backup/backup_file.h"
#include "packer.h"
#include "runtime/errors.h"
#include "toolkit/dialogs.h"
#include "worker_spy.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>
#include <windows.h>

namespace {

namespace fs = std::filesystem;

const std::int32_t kStored = backup::PackDosDateTime({2001, 5, 17, 12, 30, 0});
const std::int32_t kDayBefore = backup::PackDosDateTime({2001, 5, 16, 12, 30, 0});
const std::int32_t kDayAfter = backup::PackDosDateTime({2001, 5, 18, 12, 30, 0});

std::string Int32(std::int32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}
std::string Str(const std::string& s) {
    return Int32(static_cast<std::int32_t>(s.size())) + s;
}
const std::string kSig(backup::kSignatureText);

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}
bool Exists(const std::string& p) {
    return ::GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetAge(const std::string& path, std::int32_t dos) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME local, utc;
    ::DosDateTimeToFileTime(HIWORD(dos), LOWORD(dos), &local);
    ::LocalFileTimeToFileTime(&local, &utc);
    ::SetFileTime(h, nullptr, nullptr, &utc);
    ::CloseHandle(h);
}
std::int32_t Age(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d))
        return -1;
    FILETIME local;
    WORD date = 0, time = 0;
    ::FileTimeToLocalFileTime(&d.ftLastWriteTime, &local);
    ::FileTimeToDosDateTime(&local, &date, &time);
    return static_cast<std::int32_t>(std::uint32_t(date) << 16 | time);
}

// Answers message boxes from a thread timer while the run shows them modally.
struct BoxAnswers {
    struct Seen {
        std::string caption, text;
    };
    static inline std::vector<Seen> seen;
    static inline std::vector<int> answers; // IDOK / IDCANCEL, in order
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = ::FindWindowA(tk::kMsgDlgClass, nullptr);
        if (!box || !::IsWindowVisible(box) || answers.empty())
            return;
        char cap[256] = {}, text[1024] = {};
        ::GetWindowTextA(box, cap, sizeof cap);
        ::GetDlgItemTextA(box, 1000, text, sizeof text);
        if (!seen.empty() && seen.back().text == text && ::GetPropA(box, "answered"))
            return;
        ::SetPropA(box, "answered", reinterpret_cast<HANDLE>(1));
        seen.push_back({cap, text});
        const int id = answers.front();
        answers.erase(answers.begin());
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
    }
    explicit BoxAnswers(std::vector<int> a) {
        seen.clear();
        answers = std::move(a);
        timer = ::SetTimer(nullptr, 0, 30, OnTimer);
    }
    ~BoxAnswers() { ::KillTimer(nullptr, timer); }
    UINT_PTR timer;
};

class BackupFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, tmp);
        dir = std::string(tmp) + "kvrtest" + std::to_string(::GetCurrentProcessId()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir + "\\src");
        fs::create_directories(dir + "\\dest");
        archive = dir + "\\src\\Kelvar5.kvr";
        dest = dir + "\\dest";
        // Record every event, in order.
        b.OnProgress = [this](TBackupFile* s, const std::string& f, TPercentage p, bool&) {
            EXPECT_EQ(s, &b);
            trace.push_back("progress " + Rel(f) + " " + std::to_string(p));
        };
        b.OnNeedDisk = [this](TBackupFile*, std::uint16_t id, bool& c) {
            trace.push_back("disk " + std::to_string(id));
            c = diskAnswer;
        };
        b.OnFileRestored = [this](TBackupFile*, std::string& f, std::unique_ptr<TFileStream>& s) {
            ASSERT_TRUE(s);
            trace.push_back("restored " + Rel(f) + " " + std::to_string(s->Size()));
        };
        b.OnError = [this](TBackupFile*, int code, const std::string& text) {
            trace.push_back("error " + std::to_string(code) + " " + text);
        };
    }
    void TearDown() override {
        std::error_code ec;
        for (auto& e : fs::recursive_directory_iterator(dir, ec))
            ::SetFileAttributesA(e.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(dir, ec);
    }
    std::string Rel(const std::string& f) const {
        if (f.compare(0, dest.size(), dest) != 0)
            return f;
        std::string r = "~";
        r.append(f, dest.size(), std::string::npos);
        return r;
    }
    void Pack(const std::vector<kvrpack::Entry>& e, const kvrpack::Options& o = {}) {
        const auto vols = kvrpack::Pack(e, o);
        for (std::size_t i = 0; i < vols.size(); ++i)
            WriteFile(backup::VolumeFile(archive, i), vols[i]);
    }
    std::string Trace() const {
        std::string s;
        for (const auto& t : trace)
            s += t + "\n";
        return s;
    }

    TBackupFile b;
    std::string dir, archive, dest;
    std::vector<std::string> trace;
    bool diskAnswer = true;
};

// A test object whose member functions are bound as handlers.
struct Redirector {
    std::string to;
    int calls = 0;
    void RestoreFile(TBackupFile*, std::string& name, int fa, bool& doRestore) {
        ++calls;
        EXPECT_EQ(fa, kStored);
        if (name.find("B.TXT") != std::string::npos) {
            doRestore = !doRestore;
            name = to;
        }
    }
};

} // namespace

TEST(BackupFile, PropertiesKeepTheirBehaviour) {
    TBackupFile b;
    EXPECT_EQ(b.Version(), "5.10");
    b.SetVersion("9.99");
    EXPECT_EQ(b.Version(), "5.10");
    EXPECT_EQ(b.BackupMode(), bmAll);
    EXPECT_EQ(b.CompressionLevel, clFastest);
    EXPECT_EQ(b.RestoreMode, rmAll);
    EXPECT_FALSE(b.SetArchiveFlag);
    b.SetBackupMode(bmIncremental);
    EXPECT_TRUE(b.SetArchiveFlag);
    b.SetArchiveFlag = false;
    b.SetBackupMode(bmIncremental); // the current value: nothing changes
    EXPECT_FALSE(b.SetArchiveFlag);
    b.SetBackupMode(bmAll);
    EXPECT_FALSE(b.SetArchiveFlag);
}

TEST_F(BackupFileTest, WorkedExampleRestoresWithDateAndEventsInOrder) {
    Pack({{"C:\\A.TXT", kStored, "abc", false}, {"C:\\LEER.DAT", kStored, "", false}});
    EXPECT_TRUE(b.Restore(archive, dest + "\\"));
    EXPECT_EQ(ReadFile(dest + "\\A.TXT"), "abc");
    EXPECT_EQ(Age(dest + "\\A.TXT"), kStored);
    EXPECT_TRUE(Exists(dest + "\\LEER.DAT"));
    EXPECT_EQ(ReadFile(dest + "\\LEER.DAT"), "");
    EXPECT_EQ(Age(dest + "\\LEER.DAT"), kStored);
    EXPECT_EQ(Trace(), "progress ~\\A.TXT 100\n"
                       "progress ~\\A.TXT 100\n"
                       "restored ~\\A.TXT 3\n"
                       "progress ~\\LEER.DAT 100\n"
                       "restored ~\\LEER.DAT 0\n"
                       "progress  100\n");
    EXPECT_EQ(b.CurrentFile(), dest + "\\LEER.DAT");
}

TEST_F(BackupFileTest, RestoreModesAgainstMissingOlderEqualAndNewerFiles) {
    const char* names[] = {"MISSING", "OLDER", "EQUAL", "NEWER"};
    std::vector<kvrpack::Entry> entries;
    for (const char* n : names)
        entries.push_back({std::string("C:\\Daten\\") + n, kStored, "neu", false});
    Pack(entries);
    struct Row {
        TRestoreMode m;
        bool written[4];
    } rows[] = {{rmAll, {true, true, true, true}},
                {rmNoOverwrite, {true, false, false, false}},
                {rmNewer, {true, true, false, false}},
                {rmExisting, {false, true, true, true}},
                {rmExistingNewer, {false, true, false, false}}};
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.m));
        fs::remove_all(dest);
        fs::create_directories(dest);
        const std::int32_t ages[] = {0, kDayBefore, kStored, kDayAfter};
        for (int i = 1; i < 4; ++i) {
            WriteFile(dest + "\\" + names[i], "alt");
            SetAge(dest + "\\" + names[i], ages[i]);
        }
        b.RestoreMode = r.m;
        EXPECT_TRUE(b.Restore(archive, dest));
        for (int i = 0; i < 4; ++i) {
            const std::string p = dest + "\\" + names[i];
            EXPECT_EQ(ReadFile(p) == "neu", r.written[i]) << names[i];
            if (r.written[i]) {
                EXPECT_EQ(Age(p), kStored) << names[i];
            }
            if (i == 0 && !r.written[i]) {
                EXPECT_FALSE(Exists(p));
            }
        }
    }
}

TEST_F(BackupFileTest, OnRestoreFileReversesAndRedirectsIntoNewDirectories) {
    Pack({{"C:\\A.TXT", kStored, "aa", false}, {"C:\\B.TXT", kStored, "bb", false}});
    WriteFile(dest + "\\A.TXT", "alt");
    WriteFile(dest + "\\B.TXT", "alt");
    b.RestoreMode = rmNoOverwrite; // refuses both; the handler turns B round
    Redirector r{dest + "\\Neu\\Tiefer\\B2.TXT"};
    b.OnRestoreFile = MethodRef(&r, &Redirector::RestoreFile);
    EXPECT_TRUE(b.Restore(archive, dest));
    EXPECT_EQ(r.calls, 2);
    EXPECT_EQ(ReadFile(dest + "\\A.TXT"), "alt");
    EXPECT_EQ(ReadFile(dest + "\\B.TXT"), "alt");
    EXPECT_EQ(ReadFile(dest + "\\Neu\\Tiefer\\B2.TXT"), "bb");
    EXPECT_EQ(Age(dest + "\\Neu\\Tiefer\\B2.TXT"), kStored);
}

TEST_F(BackupFileTest, SplitFileIsRestoredWholeWithItsDate) {
    std::string content;
    for (int i = 0; i < 60000; ++i)
        content += static_cast<char>(i * 7919 % 251);
    kvrpack::Options o;
    o.volumeSize = 25000;
    o.fileList = true;
    Pack({{"C:\\Daten\\GROSS.BIN", kStored, content, true}, {"C:\\K.TXT", kDayAfter, "k", false}},
         o);
    ASSERT_TRUE(Exists(dir + "\\src\\Kelvar5.003"));
    b.RestoreFullPath = true;
    EXPECT_TRUE(b.Restore(archive, dest));
    EXPECT_EQ(ReadFile(dest + "\\Daten\\GROSS.BIN"), content);
    EXPECT_EQ(Age(dest + "\\Daten\\GROSS.BIN"), kStored);
    EXPECT_EQ(Age(dest + "\\K.TXT"), kDayAfter);
    EXPECT_FALSE(Exists(dest + "\\LIST"));
    EXPECT_NE(Trace().find("disk 2\n"), std::string::npos);
    EXPECT_NE(Trace().find("disk 3\n"), std::string::npos);
    // Every file the run opened is closed: all can be deleted now.
    for (const char* f : {"\\src\\Kelvar5.kvr", "\\src\\Kelvar5.002", "\\src\\Kelvar5.003"})
        EXPECT_TRUE(::DeleteFileA((dir + f).c_str())) << f;
}

// The installer's check of each volume: asked for the first volume and for
// the one the disk prompt leads to, before either is opened; a refused
// volume ends the run with every file closed, and the text of a file that
// cannot be opened.
TEST_F(BackupFileTest, ARefusedVolumeEndsTheRunBeforeItIsRead) {
    std::string content(60000, 'x');
    kvrpack::Options o;
    o.volumeSize = 25000;
    Pack({{"C:\\GROSS.BIN", kStored, content, true}}, o);
    std::vector<std::string> asked;
    b.AcceptVolume = [&](const std::string& path) {
        asked.push_back(path);
        return path == archive;
    };
    const std::string second = dir + "\\src\\Kelvar5.002";
    try {
        b.Restore(archive, dest);
        FAIL() << "no error";
    } catch (const EForeignVolume& e) {
        EXPECT_EQ(e.Message(), "Datei " + second + " kann nicht geöffnet werden");
    }
    EXPECT_EQ(asked, (std::vector<std::string>{archive, second}));
    EXPECT_NE(Trace().find("disk 2\n"), std::string::npos);
    for (const std::string& f : {archive, second, dest + "\\GROSS.BIN"})
        EXPECT_TRUE(::DeleteFileA(f.c_str())) << f << " was left open";
}

TEST_F(BackupFileTest, DiskTenGivesDiskIdTenAndExtensionDotTen) {
    WriteFile(archive, Int32(0) + Int32(2) + Int32(0) + Str("C:\\S.TXT") + Int32(kStored) + kSig +
                           Int32(-1) + "a" + Int32(0) + Str("NEXT:DISK010"));
    WriteFile(dir + "\\src\\Kelvar5.010", kSig + Int32(-1) + "b" + Int32(0) + Int32(0));
    EXPECT_TRUE(b.Restore(archive, dest));
    EXPECT_EQ(ReadFile(dest + "\\S.TXT"), "ab");
    EXPECT_EQ(Age(dest + "\\S.TXT"), kStored);
    EXPECT_EQ(Trace(), "progress ~\\S.TXT 50\n"
                       "progress ~\\S.TXT 50\n"
                       "restored ~\\S.TXT 1\n"
                       "disk 10\n"
                       "progress ~\\S.TXT 100\n"
                       "progress ~\\S.TXT 100\n"
                       "restored ~\\S.TXT 2\n"
                       "progress  100\n");
}

TEST_F(BackupFileTest, CancelAtThePromptGivesFalseWithNoMessage) {
    kvrpack::Options o;
    o.volumeSize = 200;
    Pack({{"C:\\S.TXT", kStored, std::string(1000, 's'), true}}, o);
    diskAnswer = false;
    EXPECT_FALSE(b.Restore(archive, dest));
    EXPECT_EQ(b.ErrorCode(), 0);
    EXPECT_EQ(trace.back(), "progress  100");
    EXPECT_EQ(Trace().find("error"), std::string::npos);
    EXPECT_TRUE(::DeleteFileA((dest + "\\S.TXT").c_str()));
}

TEST_F(BackupFileTest, UnwritableDestinationGivesCodeOneAfterTheFinalProgress) {
    Pack({{"C:\\A.TXT", kStored, "aa", false}, {"C:\\B.TXT", kStored, "bb", false}});
    WriteFile(dest + "\\A.TXT", "alt");
    // A file in use by another program. (A read-only attribute would do on
    // Windows; Wine running as root writes over it.)
    HANDLE inUse = ::CreateFileA((dest + "\\A.TXT").c_str(), GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(b.Restore(archive, dest));
    ::CloseHandle(inUse);
    EXPECT_EQ(b.ErrorCode(), 1);
    EXPECT_EQ(ReadFile(dest + "\\A.TXT"), "alt");
    EXPECT_FALSE(Exists(dest + "\\B.TXT")); // the run ended there
    EXPECT_EQ(Trace(), "progress  100\n"
                       "error 1 Datei kann nicht gelesen werden\n");
}

TEST_F(BackupFileTest, MissingArchiveGivesFalseWithNoEvent) {
    EXPECT_FALSE(b.Restore(dir + "\\src\\Fehlt.kvr", dest));
    EXPECT_FALSE(b.Restore(dir + "\\src", dest)); // a directory does not count
    EXPECT_TRUE(trace.empty());
}

TEST_F(BackupFileTest, RaisedErrorsCarryTheRuntimeTextsAndCloseEveryFile) {
    auto raised = [&]() -> std::string {
        try {
            b.Restore(archive, dest);
        } catch (const rt::Exception& e) {
            return e.what();
        }
        return "nothing raised";
    };
    WriteFile(archive, Int32(0) + Int32(1));
    EXPECT_EQ(raised(), "Archiv kann nicht gelesen werden");

    b.RestoreMode = rmNoOverwrite;
    WriteFile(dest + "\\A.TXT", "alt");
    WriteFile(archive, Int32(0) + Int32(1) + Int32(0) + Str("C:\\A.TXT") + Int32(0) + "EC2x");
    EXPECT_EQ(raised(), "Ungültiger Archiv-Typ");

    WriteFile(archive, Int32(0) + Int32(1) + Int32(0) + Str("C:\\A.TXT") + Int32(0) + kSig +
                           Int32(-10) + "abc");
    EXPECT_EQ(raised(), "Stream-Read-Fehler");

    b.RestoreMode = rmAll;
    WriteFile(archive, Int32(0) + Int32(1) + Int32(0) + Str("A.TXT") + Int32(0) + kSig + Int32(0) +
                           Int32(0));
    try {
        b.Restore(archive, "");
        ADD_FAILURE();
    } catch (const rt::Exception& e) {
        EXPECT_STREQ(e.what(), "Das Verzeichnis kann nicht erstellt werden");
    }

    // A continuation volume with a wrong signature: the file is finished and closed.
    WriteFile(archive, Int32(0) + Int32(2) + Int32(0) + Str("C:\\S.TXT") + Int32(kStored) + kSig +
                           Int32(-1) + "a" + Int32(0) + Str("NEXT:DISK002"));
    WriteFile(dir + "\\src\\Kelvar5.002", "EC2!" + Int32(0));
    EXPECT_EQ(raised(), "Ungültiger Archiv-Typ");
    EXPECT_EQ(Age(dest + "\\S.TXT"), kStored);
    EXPECT_TRUE(::DeleteFileA((dest + "\\S.TXT").c_str()));

    // The next volume exists but cannot be opened.
    const std::string next = dir + "\\src\\Kelvar5.002";
    HANDLE lock = ::CreateFileA(next.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(raised(), "Datei " + next + " kann nicht geöffnet werden");
    ::CloseHandle(lock);
    EXPECT_TRUE(::DeleteFileA(archive.c_str()));
    EXPECT_TRUE(::DeleteFileA((dest + "\\S.TXT").c_str()));
    EXPECT_EQ(Trace().find("progress  100"), std::string::npos); // never after a raise
}

// The blocks are written on a worker while the calling thread answers each
// message as it comes; every event comes on the calling thread, and what a
// handler raises there ends the run through the worker, its file closed.
TEST_F(BackupFileTest, BlocksGoOnAWorkerWhileEventsComeToTheCaller) {
    const std::string content(200000, 'b'); // thirteen blocks
    Pack({{"C:\\BIG.DAT", kStored, content, true}});
    const DWORD caller = ::GetCurrentThreadId();
    int elsewhere = 0;
    b.OnProgress = [&](TBackupFile*, const std::string&, TPercentage, bool&) {
        elsewhere += ::GetCurrentThreadId() != caller;
    };
    b.OnFileRestored = [&](TBackupFile*, std::string&, std::unique_ptr<TFileStream>&) {
        elsewhere += ::GetCurrentThreadId() != caller;
    };
    WorkerSpy spy(3);
    {
        SpiedCall<decltype(::WriteFile)> writes("kernel32.dll", "WriteFile");
        ASSERT_TRUE(writes.Active());
        EXPECT_TRUE(b.Restore(archive, dest));
    }
    EXPECT_EQ(spy.OnCaller(), 0) << "blocks written on the calling thread";
    EXPECT_EQ(spy.OnWorker(), 13);
    EXPECT_EQ(spy.Answers(), 3) << "the calling thread did not pump while the worker wrote";
    EXPECT_EQ(elsewhere, 0) << "events on the worker";
    EXPECT_EQ(ReadFile(dest + "\\BIG.DAT"), content);

    b.OnProgress = [](TBackupFile*, const std::string&, TPercentage p, bool&) {
        if (p > 50)
            throw rt::Exception("Halt");
    };
    try {
        b.Restore(archive, dest);
        ADD_FAILURE() << "no error";
    } catch (const rt::Exception& e) {
        EXPECT_STREQ(e.what(), "Halt");
    }
    EXPECT_TRUE(::DeleteFileA((dest + "\\BIG.DAT").c_str())) << "left open";
}

TEST_F(BackupFileTest, CompressionErrorAndUncreatableDirectory) {
    WriteFile(dir + "\\datei", "x"); // a file where a directory should be
    Redirector r{dir + "\\datei\\B.TXT"};
    b.OnRestoreFile = MethodRef(&r, &Redirector::RestoreFile);
    b.RestoreMode = rmNoOverwrite;
    WriteFile(dest + "\\B.TXT", "alt"); // so the handler's reversal means "restore"
    Pack({{"C:\\A.TXT", kStored, "aa", false}, {"C:\\B.TXT", kStored, "bb", false}});
    EXPECT_TRUE(b.Restore(archive, dest)); // B passed over: its directory cannot exist
    EXPECT_EQ(ReadFile(dest + "\\A.TXT"), "aa");

    b.OnRestoreFile = nullptr;
    b.RestoreMode = rmAll;
    trace.clear();
    WriteFile(archive, Int32(0) + Int32(4) + Int32(0) + Str("C:\\Z.TXT") + Int32(kStored) + kSig +
                           Int32(-2) + "ok" + Int32(8) + "garbage!" + Int32(0) + Int32(0));
    EXPECT_FALSE(b.Restore(archive, dest));
    EXPECT_EQ(b.ErrorCode(), 6);
    EXPECT_EQ(ReadFile(dest + "\\Z.TXT"), "ok");
    EXPECT_EQ(Age(dest + "\\Z.TXT"), kStored);
    EXPECT_EQ(trace.back(), "error 6 Kompressions-Fehler");
}

TEST_F(BackupFileTest, UnsafeNamesStayOutsideAndEndTheRun) {
    b.RestoreFullPath = true;
    for (const char* refused : {"C:\\..\\..\\BOESE.TXT", "C:\\CON", "C:\\COM\xB9"}) {
        SCOPED_TRACE(refused);
        fs::remove_all(dest + "\\Gut");
        Pack({{"C:\\Gut\\A.TXT", kStored, "a", false},
              {refused, kStored, "x", false},
              {"C:\\Gut\\B.TXT", kStored, "b", false}});
        EXPECT_FALSE(b.Restore(archive, dest));
        EXPECT_EQ(b.ErrorCode(), 1);
        EXPECT_FALSE(Exists(dir + "\\BOESE.TXT"));
        EXPECT_FALSE(Exists(fs::path(dir).parent_path().string() + "\\BOESE.TXT"));
        EXPECT_EQ(ReadFile(dest + "\\Gut\\A.TXT"), "a");
        EXPECT_FALSE(Exists(dest + "\\Gut\\B.TXT")); // the run ended at the refused name
        EXPECT_EQ(trace.back(), "error 1 Datei kann nicht gelesen werden");
    }
}

TEST_F(BackupFileTest, WithoutHandlersTheComponentShowsItsOwnBoxes) {
    TBackupFile plain; // no handler at all, as the installer uses it
    plain.CompressionLevel = clMax;
    kvrpack::Options o;
    o.volumeSize = 200;
    Pack({{"C:\\S.TXT", kStored, std::string(1000, 's'), true}}, o);
    {
        BoxAnswers boxes({IDOK, IDCANCEL}); // shown although volume 2 is present
        EXPECT_FALSE(plain.Restore(archive, dest));
        ASSERT_EQ(BoxAnswers::seen.size(), 2u);
        EXPECT_EQ(BoxAnswers::seen[0].caption, "Information");
        EXPECT_EQ(BoxAnswers::seen[0].text,
                  "Legen Sie bitte Diskette 2 ein und klicken Sie auf OK, um fortzufahren!");
        EXPECT_EQ(BoxAnswers::seen[1].text,
                  "Legen Sie bitte Diskette 3 ein und klicken Sie auf OK, um fortzufahren!");
    }
    EXPECT_EQ(plain.ErrorCode(), 0);
    WriteFile(archive, Int32(0) + Int32(4) + Int32(0) + Str("C:\\Z.TXT") + Int32(kStored) + kSig +
                           Int32(8) + "garbage!" + Int32(0) + Int32(0));
    {
        BoxAnswers boxes({IDOK});
        EXPECT_FALSE(plain.Restore(archive, dest));
        ASSERT_EQ(BoxAnswers::seen.size(), 1u);
        EXPECT_EQ(BoxAnswers::seen[0].caption, "Fehler");
        EXPECT_EQ(BoxAnswers::seen[0].text, "Kompressions-Fehler");
    }
}
