// The archive reader and the restore run, against an in-memory platform.
#include "backup/archive_reader.h"
#include "packer.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <zlib.h>

using namespace backup;

namespace {

std::string Int32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}
std::string Str(const std::string& s) {
    return Int32(static_cast<std::int32_t>(s.size())) + s;
}
const std::string kSig(backup::kSignatureText);
std::string Stored(const std::string& c) {
    return Int32(-static_cast<std::int32_t>(c.size())) + c;
}
std::string Compressed(const std::string& payload) {
    return Int32(static_cast<std::int32_t>(payload.size())) + payload;
}
std::string Zlib(const std::string& c) {
    uLongf n = compressBound(c.size());
    std::string z(n, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(c.data()),
              c.size(), 9);
    z.resize(n);
    return z;
}
std::string Hdr(std::int32_t total) {
    return Int32(0) + Int32(total) + Int32(0);
}
std::string FileEntry(const std::string& name, std::int32_t date, const std::string& blocks) {
    return Str(name) + Int32(date) + kSig + blocks + Int32(0);
}

const std::int32_t kMay2001 = 0x2AB163C0;

struct FakeFile {
    std::string data;
    std::int32_t date = 0;
};

class FakeHost;

class FakeOutput : public OutputFile {
public:
    FakeOutput(FakeHost& h, std::string path);
    ~FakeOutput() override;
    void Write(const void* data, std::size_t n) override;
    void SetDateTime(std::int32_t d) override;

    FakeHost& host;
    std::string path;
};

class CountingSource : public MemorySource {
public:
    CountingSource(const std::string& bytes, int& open) : MemorySource(bytes), open_(open) {
        ++open_;
    }
    ~CountingSource() override { --open_; }

private:
    int& open_;
};

class FakeHost : public RestoreHost {
public:
    std::map<std::string, std::string> volumes;
    std::map<std::string, FakeFile> files;
    std::vector<std::string> failDirs;   // directories that cannot be created
    std::vector<std::string> failCreate; // outputs that cannot be created
    std::vector<std::string> failOpen;   // volumes that exist but cannot be opened
    std::size_t writeLimit = SIZE_MAX;   // bytes per output before the "disk" is full
    std::vector<std::string> trace;
    std::vector<bool> diskAnswers; // answers to the disk prompt, then true
    int openSources = 0;
    int openOutputs = 0;
    int pumps = 0;
    std::function<void(std::string&, std::int32_t, bool&)> onRestoreFile;
    std::function<void(const std::string&, int, bool&)> onProgress;

    void AddArchive(const std::string& path, const std::vector<std::string>& vols) {
        for (std::size_t i = 0; i < vols.size(); ++i)
            volumes[backup::VolumeFile(path, i)] = vols[i];
    }

    bool FileExists(const std::string& p) override {
        return volumes.count(p) != 0 || files.count(p) != 0;
    }
    std::unique_ptr<ByteSource> OpenSource(const std::string& p) override {
        auto it = volumes.find(p);
        const bool fails = std::find(failOpen.begin(), failOpen.end(), p) != failOpen.end();
        if (it == volumes.end() || fails)
            throw rt::EFOpenError(rt::Format(txt::SFOpenError, p.c_str()));
        return std::make_unique<CountingSource>(it->second, openSources);
    }
    std::optional<std::int32_t> FileAge(const std::string& p) override {
        auto it = files.find(p);
        if (it == files.end())
            return std::nullopt;
        return it->second.date;
    }
    bool ForceDirectories(const std::string& d) override {
        trace.push_back("mkdir " + d);
        for (const auto& f : failDirs)
            if (f == d)
                return false;
        return true;
    }
    std::unique_ptr<OutputFile> CreateOutput(const std::string& p) override {
        for (const auto& f : failCreate)
            if (f == p)
                throw rt::EFCreateError(rt::Format(txt::SFCreateError, p.c_str()));
        files[p] = FakeFile{};
        return std::make_unique<FakeOutput>(*this, p);
    }
    std::unique_ptr<OutputFile> OpenForAppend(const std::string& p) override {
        if (files.count(p) == 0)
            throw rt::EFOpenError(rt::Format(txt::SFOpenError, p.c_str()));
        return std::make_unique<FakeOutput>(*this, p);
    }
    void ProcessMessages() override { ++pumps; }
    void Progress(const std::string& f, int pct, bool& cont) override {
        trace.push_back("progress " + f + " " + std::to_string(pct));
        if (onProgress)
            onProgress(f, pct, cont);
    }
    void NeedDisk(const std::string& disk, bool& cont) override {
        trace.push_back("disk " + disk);
        cont = true;
        if (!diskAnswers.empty()) {
            cont = diskAnswers.front();
            diskAnswers.erase(diskAnswers.begin());
        }
    }
    void RestoreFile(std::string& f, std::int32_t fa, bool& doRestore) override {
        trace.push_back("restore? " + f + (doRestore ? " yes" : " no"));
        if (onRestoreFile)
            onRestoreFile(f, fa, doRestore);
    }
    void FileRestored(std::string& f, std::unique_ptr<OutputFile>& out) override {
        trace.push_back("restored " + f + (out ? "" : " closed"));
    }
    void ReportError(int code, const std::string& text) override {
        trace.push_back("error " + std::to_string(code) + " " + text);
    }
};

FakeOutput::FakeOutput(FakeHost& h, std::string p) : host(h), path(std::move(p)) {
    ++host.openOutputs;
}
FakeOutput::~FakeOutput() {
    --host.openOutputs;
}
void FakeOutput::Write(const void* data, std::size_t n) {
    std::string& d = host.files[path].data;
    if (d.size() + n > host.writeLimit)
        throw rt::EWriteError(txt::SWriteError);
    d.append(static_cast<const char*>(data), n);
}
void FakeOutput::SetDateTime(std::int32_t d) {
    host.files[path].date = d;
}

class RestoreTest : public ::testing::Test {
protected:
    bool Run(const std::string& archive = "A:\\X.kvr", const std::string& dest = "D:\\Neu") {
        return Restore(settings, state, host, archive, dest, nullptr);
    }
    void Single(const std::string& bytes) { host.volumes["A:\\X.kvr"] = bytes; }
    void Packed(const std::vector<kvrpack::Entry>& e, const kvrpack::Options& o = {}) {
        host.AddArchive("A:\\X.kvr", kvrpack::Pack(e, o));
    }
    bool Traced(const std::string& line) const {
        return std::find(host.trace.begin(), host.trace.end(), line) != host.trace.end();
    }
    std::size_t Index(const std::string& line) const {
        return std::find(host.trace.begin(), host.trace.end(), line) - host.trace.begin();
    }

    FakeHost host;
    RestoreSettings settings;
    RunState state;
};

const std::string kExample = Hdr(3) + FileEntry("C:\\A.TXT", kMay2001, Stored("abc")) + Int32(0);

} // namespace

// --- Reader pieces -----------------------------------------------------------

TEST(BackupReader, ReadsLittleEndianIntegersAndRaisesOnShortReads) {
    const std::string bytes = Int32(-3) + Int32(0x12345678) + "xy";
    MemorySource src(bytes);
    EXPECT_EQ(ReadInt32(src), -3);
    EXPECT_EQ(ReadInt32(src), 0x12345678);
    EXPECT_THROW(ReadInt32(src), rt::EReadError);
}

TEST(BackupReader, HeaderPassesOverTextAndRejectsShortOrNegativeOnes) {
    const std::string okBytes = Str("Titel") + Int32(77) + Int32(5) + "rest";
    MemorySource ok(okBytes);
    const backup::Header h = ReadHeader(ok);
    EXPECT_EQ(h.total, 77);
    EXPECT_EQ(h.value, 5);
    EXPECT_EQ(ok.Position(), 4u + 5 + 8);
    const std::string shortBytes = Int32(100) + "abc";
    MemorySource shortText(shortBytes);
    EXPECT_THROW(ReadHeader(shortText), rt::EReadError);
    const std::string negativeBytes = Int32(-1) + Int32(0) + Int32(0);
    MemorySource negative(negativeBytes);
    EXPECT_THROW(ReadHeader(negative), rt::EReadError);
}

TEST(BackupReader, PercentRoundsHalvesToEvenAndIsNotClamped) {
    EXPECT_EQ(Percent(0, 3), 0);
    EXPECT_EQ(Percent(1, 200), 0); // 0.5 -> 0
    EXPECT_EQ(Percent(3, 200), 2); // 1.5 -> 2
    EXPECT_EQ(Percent(5, 200), 2); // 2.5 -> 2
    EXPECT_EQ(Percent(1, 3), 33);
    EXPECT_EQ(Percent(2, 3), 67);
    EXPECT_EQ(Percent(3, 3), 100);
    EXPECT_EQ(Percent(6, 3), 200);
    EXPECT_EQ(Percent(5, 0), 100);
    EXPECT_EQ(Percent(std::int64_t(1) << 40, 1), INT32_MAX);
}

TEST(BackupReader, RestoreModesCompareAgesSigned) {
    const std::int32_t d = kMay2001;
    const std::optional<std::int32_t> none, older = d - 1, equal = d, newer = d + 1;
    const std::optional<std::int32_t> negative = -5; // a date with the top bit set
    struct Row {
        TRestoreMode m;
        bool missing, older, equal, newer;
    } rows[] = {{rmAll, true, true, true, true},
                {rmNoOverwrite, true, false, false, false},
                {rmNewer, true, true, false, false},
                {rmExisting, false, true, true, true},
                {rmExistingNewer, false, true, false, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.m));
        EXPECT_EQ(DecideRestore(r.m, none, d), r.missing);
        EXPECT_EQ(DecideRestore(r.m, older, d), r.older);
        EXPECT_EQ(DecideRestore(r.m, equal, d), r.equal);
        EXPECT_EQ(DecideRestore(r.m, newer, d), r.newer);
    }
    EXPECT_TRUE(DecideRestore(rmNewer, negative, 3));
    EXPECT_FALSE(DecideRestore(rmNewer, 3, negative.value()));
}

TEST(BackupReader, TargetPathsPlainFullAndEmptyDestDir) {
    EXPECT_EQ(TargetPath("C:\\Daten\\A.TXT", "D:\\Neu\\", false), "D:\\Neu\\A.TXT");
    EXPECT_EQ(TargetPath("C:\\Daten\\A.TXT", "D:\\Neu\\", true), "D:\\Neu\\Daten\\A.TXT");
    EXPECT_EQ(TargetPath("C:A.TXT", "D:\\Neu\\", false), "D:\\Neu\\A.TXT");
    EXPECT_EQ(TargetPath("C:\\Daten\\A.TXT", "", false), "C:\\Daten\\A.TXT");
    EXPECT_EQ(TargetPath("A.TXT", "", false), "A.TXT");
}

TEST(BackupReader, TargetPathsNeverLeaveDestDirOrNameDevices) {
    const char* plain[] = {"C:\\x\\a/b", "C:\\..",      "C:\\.",          "C:\\",       "C:\\ . ",
                           "C:\\CON",    "C:\\nul.txt", "C:\\Com1",       "C:\\LPT9.x", "C:\\aux ",
                           "C:\\a\tb",   "C:\\com\xB2", "C:\\LPT\xB3.log"};
    for (const char* n : plain) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(TargetPath(n, "D:\\Neu\\", false));
    }
    const char* full[] = {"C:\\..\\x",    "C:\\a\\..\\..\\x", "C:\\\\x",    "C:\\a/../../x", "C:\\",
                          "C:\\a\\D:\\x", "C:\\a:stream",     "C:\\prn\\x", "C:\\a\\\\b",    "C:"};
    for (const char* n : full) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(TargetPath(n, "D:\\Neu\\", true));
    }
    EXPECT_FALSE(TargetPath("C:\\a\\..\\..\\x", "", false));
    EXPECT_FALSE(TargetPath("\\\\server\\share\\x", "", false));
    EXPECT_FALSE(TargetPath("..", "", false));
    // Ordinary names stay allowed.
    EXPECT_TRUE(TargetPath("C:\\a\\b.c.d", "D:\\Neu\\", true));
    EXPECT_TRUE(TargetPath("C:\\CONFIG.SYS", "D:\\Neu\\", false));
    EXPECT_TRUE(TargetPath("C:\\COM10", "D:\\Neu\\", false));
    EXPECT_TRUE(TargetPath("C:\\COM\xB9\xB9", "D:\\Neu\\", false));
    EXPECT_TRUE(TargetPath("C:\\COM\xBC", "D:\\Neu\\", false));
}

TEST(ArchiveFormat, VolumeNamesReplaceTheExtensionOfTheLastPart) {
    EXPECT_EQ(VolumeName("C:\\Setup\\Kelvar5.kvr", "002"), "C:\\Setup\\Kelvar5.002");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(VolumeName("D:\\x.y\\Kelvar5", "010"), "D:\\x.y\\Kelvar5.010");
    EXPECT_EQ(VolumeName("E:Kelvar5.kvr", "003"), "E:Kelvar5.003");
    EXPECT_EQ(VolumeName("out/x.y/z", "002"), "out/x.y/z.002");
    EXPECT_EQ(VolumeFile("out/x.kvr", 0), "out/x.kvr");
    EXPECT_EQ(VolumeFile("out/x.kvr", 9), "out/x.010");
    EXPECT_TRUE(IsVolumeDigits("010"));
    for (const char* bad : {"10", "0100", "01a", "-01", ""})
        EXPECT_FALSE(IsVolumeDigits(bad)) << bad;
}

TEST(ArchiveFormat, DosDateTimePacksBothWaysWithEvenSeconds) {
    EXPECT_EQ(PackDosDateTime({1980, 1, 1, 0, 0, 0}), 0x00210000);
    EXPECT_EQ(static_cast<std::uint32_t>(PackDosDateTime({2107, 12, 31, 23, 59, 58})), 0xFF9FBF7Du);
    EXPECT_EQ(PackDosDateTime({2001, 5, 17, 14, 30, 21}), 716272586);
    EXPECT_EQ(PackDosDateTime(0x2AB1, 0x73CA), 716272586);
    const DosDateTime t = UnpackDosDateTime(716272586);
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
              (std::vector<int>{2001, 5, 17, 14, 30, 20}));
    // From 2044 on bit 31 is set: the packed value reads negative.
    const DosDateTime late = UnpackDosDateTime(PackDosDateTime({2044, 2, 3, 4, 5, 6}));
    EXPECT_EQ(
        (std::vector<int>{late.year, late.month, late.day, late.hour, late.minute, late.second}),
        (std::vector<int>{2044, 2, 3, 4, 5, 6}));
    EXPECT_LT(PackDosDateTime({2044, 1, 1, 0, 0, 0}), 0);
}

TEST(BackupReader, PathHelpers) {
    EXPECT_EQ(DirectoryPart("D:\\Neu\\A.TXT"), "D:\\Neu");
    EXPECT_EQ(DirectoryPart("C:\\A.TXT"), "C:\\");
    EXPECT_EQ(DirectoryPart("C:A.TXT"), "C:");
    EXPECT_THROW(DirectoryPart("A.TXT"), rt::Exception);
    EXPECT_EQ(StripLeadingZeros("002"), "2");
    EXPECT_EQ(StripLeadingZeros("010"), "10");
    EXPECT_EQ(StripLeadingZeros("000"), "");
    EXPECT_EQ(ErrorText(6), "Kompressions-Fehler");
    EXPECT_EQ(ErrorText(0), "");
    EXPECT_EQ(ErrorText(8), "");
}

TEST(BackupReader, InflateBlockAcceptsOnlyAStreamEndingWithTheBlock) {
    BlockBuffers buf;
    auto load = [&](const std::string& z) {
        std::copy(z.begin(), z.end(), buf.in);
        return z.size();
    };
    const std::string content(kBlockSize, 'q');
    InflateResult r = InflateBlock(buf, load(Zlib(content)));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.produced, kBlockSize);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf.out), r.produced), content);

    r = InflateBlock(buf, load(Zlib(content + "x"))); // expands beyond the buffer
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.produced, kBlockSize);

    const std::string z = Zlib("hello hello hello");
    EXPECT_FALSE(InflateBlock(buf, load(z.substr(0, z.size() - 2))).ok); // cut
    EXPECT_FALSE(InflateBlock(buf, load(z + "junk")).ok);                // trailing bytes
    EXPECT_FALSE(InflateBlock(buf, load("not zlib at all")).ok);
    r = InflateBlock(buf, load(z)); // the stream is reset after a failed block
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf.out), r.produced), "hello hello hello");

    // A stream that needs a preset dictionary.
    z_stream zs{};
    deflateInit(&zs, 9);
    deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>("dict"), 4);
    unsigned char in[] = "dictdict", out[64];
    zs.next_in = in;
    zs.avail_in = 8;
    zs.next_out = out;
    zs.avail_out = sizeof out;
    deflate(&zs, Z_FINISH);
    const std::string dz(reinterpret_cast<char*>(out), zs.total_out);
    deflateEnd(&zs);
    r = InflateBlock(buf, load(dz));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.produced, 0u);
}

// --- Restore runs ------------------------------------------------------------

TEST_F(RestoreTest, WorkedExampleRestoresWithDateAndProgress) {
    Single(kExample);
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files["D:\\Neu\\A.TXT"].data, "abc");
    EXPECT_EQ(host.files["D:\\Neu\\A.TXT"].date, kMay2001);
    const std::vector<std::string> expected = {
        "restore? D:\\Neu\\A.TXT yes", "mkdir D:\\Neu",           "progress D:\\Neu\\A.TXT 100",
        "progress D:\\Neu\\A.TXT 100", "restored D:\\Neu\\A.TXT", "progress  100"};
    EXPECT_EQ(host.trace, expected);
    EXPECT_EQ(state.currentFile, "D:\\Neu\\A.TXT");
    EXPECT_EQ(host.openSources, 0);
    EXPECT_EQ(host.openOutputs, 0);
}

TEST_F(RestoreTest, EntryListEdgeCases) {
    // Negative lengths passed over; an empty data section; a name that only
    // contains NEXT:DISK further on is a file.
    Single(Hdr(0) + Int32(-1) + Int32(-77) + FileEntry("C:\\E.DAT", 1, "") +
           FileEntry("C:\\xNEXT:DISK002", 2, Stored("n")) + Int32(0) + "ignored after end");
    EXPECT_TRUE(Run());
    ASSERT_EQ(host.files.count("D:\\Neu\\E.DAT"), 1u);
    EXPECT_EQ(host.files["D:\\Neu\\E.DAT"].data, "");
    EXPECT_EQ(host.files["D:\\Neu\\DISK002"].data, "n"); // after the last ':'

    FakeHost empty;
    empty.volumes["A:\\X.kvr"] = Hdr(0) + Int32(0);
    EXPECT_TRUE(Restore(settings, state, empty, "A:\\X.kvr", "D:\\", nullptr));
    EXPECT_TRUE(empty.files.empty());
}

TEST_F(RestoreTest, DestDirWithOrWithoutBackslashAndEmpty) {
    Single(kExample);
    EXPECT_TRUE(Run("A:\\X.kvr", "D:\\Neu\\"));
    EXPECT_EQ(state.currentFile, "D:\\Neu\\A.TXT");
    settings.fullPath = true;
    Single(Hdr(3) + FileEntry("C:\\Daten\\A.TXT", 1, Stored("abc")) + Int32(0));
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files["D:\\Neu\\Daten\\A.TXT"].data, "abc");
    EXPECT_TRUE(Run("A:\\X.kvr", ""));
    EXPECT_EQ(host.files["C:\\Daten\\A.TXT"].data, "abc");
}

TEST_F(RestoreTest, FileListIsNeverWrittenAndPassedOverBlockByBlock) {
    settings.fullPath = true; // "FILE:LIST" from its fourth byte would hold a colon
    host.onRestoreFile = [](std::string&, std::int32_t, bool& d) { d = true; };
    // The list's blocks hold bytes that would read as an end of section.
    Single(Hdr(2) + FileEntry("FILE:LIST", 0, Stored(Int32(0) + Int32(0)) + Compressed(Zlib("x"))) +
           FileEntry("C:\\B", 0, Stored("bb")) + Int32(0));
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files.size(), 1u);
    EXPECT_EQ(host.files["D:\\Neu\\B"].data, "bb");
    for (const auto& t : host.trace)
        EXPECT_EQ(t.find("LIST"), std::string::npos) << t;
}

TEST_F(RestoreTest, RestoreModesAgainstExistingFiles) {
    Packed({{"C:\\MISSING", kMay2001, "new", false},
            {"C:\\OLDER", kMay2001, "new", false},
            {"C:\\EQUAL", kMay2001, "new", false},
            {"C:\\NEWER", kMay2001, "new", false}});
    const char* names[] = {"MISSING", "OLDER", "EQUAL", "NEWER"};
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
        host.files.clear();
        host.files["D:\\Neu\\OLDER"] = {"old", kMay2001 - 1};
        host.files["D:\\Neu\\EQUAL"] = {"old", kMay2001};
        host.files["D:\\Neu\\NEWER"] = {"old", kMay2001 + 1};
        settings.mode = r.m;
        EXPECT_TRUE(Run());
        for (int i = 0; i < 4; ++i) {
            const std::string p = std::string("D:\\Neu\\") + names[i];
            const bool exists = host.files.count(p) != 0;
            EXPECT_EQ(exists && host.files[p].data == "new", r.written[i]) << names[i];
        }
    }
}

TEST_F(RestoreTest, OnRestoreFileSeesDecisionReversesItAndRedirects) {
    Packed({{"C:\\A", kMay2001, "aa", false}, {"C:\\B", kMay2001 + 2, "bb", false}});
    settings.mode = rmExisting; // refuses both: neither exists
    std::vector<std::int32_t> seen;
    host.onRestoreFile = [&](std::string& f, std::int32_t fa, bool& d) {
        seen.push_back(fa);
        EXPECT_FALSE(d);
        if (f == "D:\\Neu\\B") {
            d = true;
            f = "E:\\Anders\\B2";
        }
    };
    EXPECT_TRUE(Run());
    EXPECT_EQ(seen, (std::vector<std::int32_t>{kMay2001, kMay2001 + 2}));
    EXPECT_EQ(host.files.count("D:\\Neu\\A"), 0u);
    EXPECT_EQ(host.files["E:\\Anders\\B2"].data, "bb");
    EXPECT_TRUE(Traced("mkdir E:\\Anders"));
    EXPECT_TRUE(Traced("restored E:\\Anders\\B2"));

    settings.mode = rmAll; // and the other way round
    host.files.clear();
    host.onRestoreFile = [](std::string&, std::int32_t, bool& d) { d = false; };
    EXPECT_TRUE(Run());
    EXPECT_TRUE(host.files.empty());
}

TEST_F(RestoreTest, MultiBlockProgressAndCompressedContent) {
    std::string content;
    for (int i = 0; i < 40000; ++i)
        content += static_cast<char>('a' + i % 7);
    kvrpack::Options o;
    o.total = 80000; // half of the reference count
    Packed({{"C:\\BIG", 0, content, false}}, o);
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files["D:\\Neu\\BIG"].data, content);
    const std::vector<std::string> progress(host.trace.begin() + 2, host.trace.end());
    const std::vector<std::string> expected = {
        "progress D:\\Neu\\BIG 20", "progress D:\\Neu\\BIG 41", "progress D:\\Neu\\BIG 50",
        "progress D:\\Neu\\BIG 50", "restored D:\\Neu\\BIG",    "progress  100"};
    EXPECT_EQ(progress, expected);
    EXPECT_GE(host.pumps, 4);
}

TEST_F(RestoreTest, SplitFileRestoredWholeAcrossVolumes) {
    std::string content;
    for (int i = 0; i < 50000; ++i)
        content += static_cast<char>(i * 7919 % 251);
    kvrpack::Options o;
    o.volumeSize = 20000;
    o.level = 0;
    Packed({{"C:\\SPLIT", kMay2001, content, false}, {"C:\\AFTER", 3, "z", false}}, o);
    ASSERT_GE(host.volumes.size(), 3u);
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files["D:\\Neu\\SPLIT"].data, content);
    EXPECT_EQ(host.files["D:\\Neu\\SPLIT"].date, kMay2001);
    EXPECT_EQ(host.files["D:\\Neu\\AFTER"].data, "z");
    EXPECT_TRUE(Traced("disk 2"));
    EXPECT_TRUE(Traced("disk 3"));
    // Finished after each of its three data sections, the last time after volume 3.
    EXPECT_EQ(std::count(host.trace.begin(), host.trace.end(), "restored D:\\Neu\\SPLIT"), 3);
    EXPECT_LT(Index("disk 3"), Index("restored D:\\Neu\\AFTER") - 2);
    EXPECT_EQ(host.openSources, 0);
    EXPECT_EQ(host.openOutputs, 0);
}

TEST_F(RestoreTest, DiskTenLeadsToDotTenAndPromptsEvenWhenPresent) {
    Single(Hdr(2) + FileEntry("C:\\S", kMay2001, Stored("a")) + Str("NEXT:DISK010xyz"));
    host.volumes["A:\\X.010"] = kSig + Stored("b") + Int32(0) + Int32(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files["D:\\Neu\\S"].data, "ab");
    EXPECT_EQ(std::count(host.trace.begin(), host.trace.end(), "disk 10"), 1);
}

TEST_F(RestoreTest, PromptRepeatsUntilTheVolumeExistsAndCancelEndsQuietly) {
    Single(Hdr(2) + FileEntry("C:\\S", kMay2001, Stored("a")) + Str("NEXT:DISK002"));
    host.diskAnswers = {true, true, false};
    EXPECT_FALSE(Run());
    EXPECT_EQ(std::count(host.trace.begin(), host.trace.end(), "disk 2"), 3);
    EXPECT_EQ(host.trace.back(), "progress  100");
    EXPECT_EQ(state.errorCode, 0);
    EXPECT_EQ(host.files["D:\\Neu\\S"].data, "a");
    EXPECT_EQ(host.openSources, 0);
}

TEST_F(RestoreTest, MarkerWithoutDigitsOrInAStreamIsRaised) {
    Single(Hdr(1) + FileEntry("C:\\S", 0, Stored("a")) + Str("NEXT:DISK..\\"));
    EXPECT_THROW(Run(), EInvalidArchive);
    const std::string streamBytes =
        Hdr(1) + FileEntry("C:\\S", 0, Stored("a")) + Str("NEXT:DISK002");
    MemorySource stream(streamBytes);
    try {
        Restore(settings, state, host, ":STREAM", "D:\\", &stream);
        FAIL();
    } catch (const rt::EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Datei :STREAM.002 kann nicht geöffnet werden");
    }
}

TEST_F(RestoreTest, StreamSourceIsReadFromItsPositionAndLeftOpen) {
    const std::string bytes = "junk" + kExample;
    MemorySource stream(bytes);
    stream.Skip(4);
    EXPECT_TRUE(Restore(settings, state, host, ":STREAM", "D:\\Neu", &stream));
    EXPECT_EQ(host.files["D:\\Neu\\A.TXT"].data, "abc");
    EXPECT_EQ(stream.Position(), bytes.size());
    EXPECT_THROW(Restore(settings, state, host, ":STREAM", "D:\\Neu", nullptr), rt::Exception);
}

TEST_F(RestoreTest, ContinuationBeforeAnyFileEntryWritesNothing) {
    // A run that meets a marker before any file must not append to the
    // previous run's file.
    state.currentFile = "D:\\Neu\\OLD";
    host.files["D:\\Neu\\OLD"] = {"keep", 0};
    Single(Hdr(0) + Str("NEXT:DISK002"));
    host.volumes["A:\\X.002"] = kSig + Stored("zz") + Int32(0) + Int32(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files["D:\\Neu\\OLD"].data, "keep");
}

// --- Failure handling ----------------------------------------------------------

TEST_F(RestoreTest, MissingArchiveGivesFalseWithNoEvent) {
    EXPECT_FALSE(Run("A:\\NONE.kvr"));
    EXPECT_TRUE(host.trace.empty());
}

TEST_F(RestoreTest, UnreadableHeaderRaisesArchiveCannotBeRead) {
    for (const std::string& bytes :
         {std::string("\0\0", 2), Int32(9) + "abc", Hdr(1).substr(0, 9)}) {
        Single(bytes);
        try {
            Run();
            FAIL();
        } catch (const rt::Exception& e) {
            EXPECT_STREQ(e.what(), "Archiv kann nicht gelesen werden");
        }
        EXPECT_EQ(host.openSources, 0);
        EXPECT_TRUE(host.trace.empty());
    }
}

TEST_F(RestoreTest, OutputThatCannotBeCreatedGivesCodeOneAfterTheFinalProgress) {
    Packed({{"C:\\A", 0, "aa", false}, {"C:\\B", 0, "bb", false}});
    host.failCreate = {"D:\\Neu\\A"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(state.errorCode, 1);
    EXPECT_FALSE(state.cont);
    EXPECT_EQ(host.files.count("D:\\Neu\\B"), 0u); // the run ended
    ASSERT_GE(host.trace.size(), 2u);
    EXPECT_EQ(host.trace[host.trace.size() - 2], "progress  100");
    EXPECT_EQ(host.trace.back(), "error 1 Datei kann nicht gelesen werden");
    EXPECT_FALSE(Traced("restored D:\\Neu\\A")); // never created
}

TEST_F(RestoreTest, ErrorsInsideTheDataSectionFinishTheFileWithCodeOne) {
    // Wrong signature, short read, a raising progress handler, a full disk,
    // an oversized block: each keeps what was written and finishes the file.
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t writeLimit;
        bool raiseInProgress;
        std::string kept;
    } cases[] = {
        {"signature", Hdr(1) + Str("C:\\A") + Int32(5) + "EC2x" + Int32(0) + Int32(0), SIZE_MAX,
         false, ""},
        {"short", Hdr(1) + Str("C:\\A") + Int32(5) + kSig + Stored("ab") + Int32(-9) + "xy",
         SIZE_MAX, false, "ab"},
        {"handler", Hdr(1) + FileEntry("C:\\A", 5, Stored("ab") + Stored("cd")) + Int32(0),
         SIZE_MAX, true, "ab"},
        {"full", Hdr(1) + FileEntry("C:\\A", 5, Stored("ab") + Stored("cd")) + Int32(0), 3, false,
         "ab"},
        {"oversized",
         Hdr(1) + FileEntry("C:\\A", 5, Stored("ab") + Int32(-16385) + std::string(16385, 'x')) +
             Int32(0),
         SIZE_MAX, false, "ab"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        host = FakeHost{};
        host.writeLimit = c.writeLimit;
        if (c.raiseInProgress)
            host.onProgress = [](const std::string& f, int, bool&) {
                if (!f.empty())
                    throw rt::Exception("boom");
            };
        Single(c.bytes);
        EXPECT_FALSE(Run());
        EXPECT_EQ(state.errorCode, 1);
        EXPECT_EQ(host.files["D:\\Neu\\A"].data, c.kept);
        EXPECT_EQ(host.files["D:\\Neu\\A"].date, 5);
        EXPECT_TRUE(Traced("restored D:\\Neu\\A"));
        EXPECT_EQ(host.trace.back(), "error 1 Datei kann nicht gelesen werden");
        EXPECT_EQ(host.openOutputs, 0);
        EXPECT_EQ(host.openSources, 0);
    }
}

TEST_F(RestoreTest, CompressionErrorsGiveCodeSixAndKeepWhatWasWritten) {
    const std::string zAbc = Zlib("abc");
    struct Case {
        const char* what;
        std::string block;
    } cases[] = {
        {"corrupt", Compressed("garbage!")},
        {"cut", Compressed(zAbc.substr(0, zAbc.size() - 1))},
        {"expands", Compressed(Zlib(std::string(kBlockSize + 1, 'e')))},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        host = FakeHost{};
        Single(Hdr(1) + FileEntry("C:\\A", 5, Stored("ok") + c.block + Stored("never")) +
               FileEntry("C:\\B", 5, Stored("b")) + Int32(0));
        EXPECT_FALSE(Run());
        EXPECT_EQ(state.errorCode, 6);
        EXPECT_EQ(host.files["D:\\Neu\\A"].data.substr(0, 2), "ok");
        EXPECT_EQ(host.files["D:\\Neu\\A"].data.find("never"), std::string::npos);
        EXPECT_EQ(host.files.count("D:\\Neu\\B"), 0u);
        EXPECT_EQ(host.trace.back(), "error 6 Kompressions-Fehler");
    }
}

TEST_F(RestoreTest, DirectoryThatCannotBeCreatedPassesTheEntryOver) {
    Packed({{"C:\\A", 0, "aa", false}, {"C:\\B", 0, "bb", false}});
    settings.fullPath = false;
    host.failDirs = {"D:\\Neu"};
    host.onRestoreFile = [](std::string& f, std::int32_t, bool&) {
        if (f == "D:\\Neu\\B")
            f = "E:\\B";
    };
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.files.count("D:\\Neu\\A"), 0u);
    EXPECT_EQ(host.files["E:\\B"].data, "bb");
}

TEST_F(RestoreTest, StructuralFaultsWhilePassingOverAreRaised) {
    settings.mode = rmNoOverwrite;
    host.files["D:\\Neu\\A"] = {"old", 0};
    Single(Hdr(1) + Str("C:\\A") + Int32(0) + "EC3" + std::string(1, '\0') + Int32(0) + Int32(0));
    EXPECT_THROW(Run(), EInvalidArchive);
    Single(Hdr(1) + Str("C:\\A") + Int32(0) + kSig + Int32(-100) + "short");
    EXPECT_THROW(Run(), rt::EReadError);
    Single(Hdr(1) + Str("C:\\A") + Int32(0) + kSig + Int32(16385) + std::string(16385, 'x'));
    EXPECT_THROW(Run(), EInvalidArchive);
    Single(Hdr(1) + Str("C:\\A") + Int32(0) + kSig + Int32(INT32_MIN));
    EXPECT_THROW(Run(), EInvalidArchive);
    EXPECT_EQ(host.files["D:\\Neu\\A"].data, "old");
    EXPECT_EQ(host.openSources, 0);
    EXPECT_FALSE(Traced("progress  100")); // no final call when an error is raised
}

TEST_F(RestoreTest, ShortNamesAndDatesRaiseTheStreamReadError) {
    for (const std::string& tail :
         {Int32(20) + "C:\\short", Str("C:\\A") + "\x01\x02", std::string("\x05"), std::string()}) {
        Single(Hdr(1) + tail);
        try {
            Run();
            FAIL();
        } catch (const rt::EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream-Read-Fehler");
        }
    }
}

TEST_F(RestoreTest, VolumeOrFileToContinueThatCannotBeOpenedIsRaised) {
    Single(Hdr(2) + FileEntry("C:\\S", kMay2001, Stored("a")) + Str("NEXT:DISK002"));
    host.volumes["A:\\X.002"] = kSig + Stored("b") + Int32(0) + Int32(0);
    host.failOpen = {"A:\\X.002"};
    try {
        Run();
        FAIL();
    } catch (const rt::EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Datei A:\\X.002 kann nicht geöffnet werden");
    }
    EXPECT_EQ(host.openSources, 0);
    EXPECT_EQ(host.files["D:\\Neu\\S"].data, "a");
    // The file handler renames after the file is written: the continuation's
    // target no longer exists.
    struct Renaming : FakeHost {
        void FileRestored(std::string& f, std::unique_ptr<OutputFile>& o) override {
            FakeHost::FileRestored(f, o);
            f = "D:\\Neu\\GONE";
        }
    } renaming;
    renaming.volumes = host.volumes;
    try {
        Restore(settings, state, renaming, "A:\\X.kvr", "D:\\Neu", nullptr);
        FAIL();
    } catch (const rt::EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Datei D:\\Neu\\GONE kann nicht geöffnet werden");
    }
    EXPECT_EQ(renaming.openSources, 0);
}

TEST_F(RestoreTest, WrongSignatureOfAContinuationFinishesTheFileAndIsRaised) {
    Single(Hdr(2) + FileEntry("C:\\S", kMay2001, Stored("a")) + Str("NEXT:DISK002"));
    host.volumes["A:\\X.002"] = "EC2!" + Int32(0);
    EXPECT_THROW(Run(), EInvalidArchive);
    EXPECT_EQ(host.files["D:\\Neu\\S"].data, "a");
    EXPECT_EQ(std::count(host.trace.begin(), host.trace.end(), "restored D:\\Neu\\S"), 2);
    EXPECT_EQ(host.openOutputs, 0);
    EXPECT_EQ(host.openSources, 0);
}

TEST_F(RestoreTest, TargetWithoutDirectoryIsRaised) {
    Single(Hdr(1) + FileEntry("A.TXT", 0, Stored("a")) + Int32(0));
    try {
        Run("A:\\X.kvr", "");
        FAIL();
    } catch (const rt::Exception& e) {
        EXPECT_STREQ(e.what(), "Das Verzeichnis kann nicht erstellt werden");
    }
    EXPECT_EQ(host.openSources, 0);
}

TEST_F(RestoreTest, HandlerClearingContinueStopsAfterTheBlockQuietly) {
    Packed({{"C:\\A", kMay2001, "aaaabbbb", false}, {"C:\\B", 0, "b", false}}, [] {
        kvrpack::Options o;
        o.blockSize = 4;
        o.level = 0;
        return o;
    }());
    host.onProgress = [](const std::string& f, int, bool& c) {
        if (!f.empty())
            c = false;
    };
    EXPECT_FALSE(Run());
    EXPECT_EQ(state.errorCode, 0);
    EXPECT_EQ(host.files["D:\\Neu\\A"].data, "aaaa");
    EXPECT_EQ(host.files["D:\\Neu\\A"].date, kMay2001);
    EXPECT_EQ(host.files.count("D:\\Neu\\B"), 0u);
    EXPECT_EQ(host.trace.back(), "progress  100");
}

TEST_F(RestoreTest, RefusedOrEmptyNamesEndTheRunLikeAFileThatCannotBeCreated) {
    struct Case {
        const char* refused;
        bool fullPath;
    } cases[] = {{"C:\\Daten\\", false},    {"C:\\Daten\\", true}, {"C:\\x\\..", false},
                 {"C:\\a/b", false},        {"C:\\NUL", false},    {"C:\\COM\xB9.txt", false},
                 {"C:\\..\\..\\evil", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        host = FakeHost{};
        settings.fullPath = c.fullPath;
        Single(Hdr(3) + FileEntry("C:\\Daten\\A.TXT", 0, Stored("1")) +
               FileEntry(c.refused, 0, Stored("2")) + FileEntry("C:\\C.TXT", 0, Stored("3")) +
               Int32(0));
        EXPECT_FALSE(Run());
        EXPECT_EQ(state.errorCode, 1);
        EXPECT_FALSE(state.cont);
        ASSERT_EQ(host.files.size(), 1u); // A.TXT only
        EXPECT_EQ(host.files.begin()->second.data, "1");
        EXPECT_EQ(std::count_if(host.trace.begin(), host.trace.end(),
                                [](const std::string& t) { return t.starts_with("error"); }),
                  1);
        EXPECT_EQ(host.trace.back(), "error 1 Datei kann nicht gelesen werden");
    }
}
