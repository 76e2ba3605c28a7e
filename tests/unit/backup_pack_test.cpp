// The packer: the worked example byte for byte, and archives that the reader
// restores to exactly what went in.
#include "backup/archive_reader.h"
#include "packer.h"
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <zlib.h>

namespace {

std::string Hex(const std::string& s) {
    static const char* d = "0123456789ABCDEF";
    std::string h;
    for (unsigned char c : s) {
        h += d[c >> 4];
        h += d[c & 15];
        h += ' ';
    }
    return h;
}

// Reads every entry of a packed archive back, following the volumes.
struct Restored {
    std::vector<std::pair<std::string, std::string>> files; // name, content
    std::vector<std::int32_t> dates;
    std::int32_t total = 0;
    std::vector<std::string> disks;
};

class MemHost : public backup::RestoreHost {
public:
    std::map<std::string, std::string> volumes;
    std::map<std::string, std::string> out;
    std::map<std::string, std::int32_t> dates;
    std::vector<std::string> disks;
    struct Out : backup::OutputFile {
        Out(MemHost& h, std::string p) : h(h), p(std::move(p)) {}
        void Write(const void* d, std::size_t n) override {
            h.out[p].append(static_cast<const char*>(d), n);
        }
        void SetDateTime(std::int32_t d) override { h.dates[p] = d; }
        MemHost& h;
        std::string p;
    };
    bool FileExists(const std::string& p) override { return volumes.count(p) || out.count(p); }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& p) override {
        return std::make_unique<backup::MemorySource>(volumes.at(p));
    }
    std::optional<std::int32_t> FileAge(const std::string&) override { return std::nullopt; }
    bool ForceDirectories(const std::string&) override { return true; }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string& p) override {
        out[p].clear();
        return std::make_unique<Out>(*this, p);
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string& p) override {
        return std::make_unique<Out>(*this, p);
    }
    void ProcessMessages() override {}
    void Progress(const std::string&, int, bool&) override {}
    void NeedDisk(const std::string& disk, bool&) override { disks.push_back(disk); }
    void RestoreFile(std::string&, std::int32_t, bool&) override {}
    void FileRestored(std::string&, std::unique_ptr<backup::OutputFile>&) override {}
    void ReportError(int code, const std::string&) override { FAIL() << "error " << code; }
};

MemHost RoundTrip(const std::vector<kvrpack::Entry>& entries, const kvrpack::Options& o) {
    MemHost host;
    const auto vols = kvrpack::Pack(entries, o);
    for (std::size_t i = 0; i < vols.size(); ++i) {
        if (o.volumeSize != 0) {
            EXPECT_LE(vols[i].size(), o.volumeSize) << "volume " << i;
        }
        host.volumes[backup::VolumeFile("K:\\Kelvar5.kvr", i)] = vols[i];
    }
    backup::RunState st;
    backup::RestoreSettings set;
    set.fullPath = true;
    EXPECT_TRUE(backup::Restore(set, st, host, "K:\\Kelvar5.kvr", "T:\\", nullptr));
    return host;
}

std::string Noise(std::size_t n, unsigned seed) {
    std::mt19937 g(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(g());
    return s;
}

} // namespace

TEST(Packer, WorkedExampleIsByteExact) {
    const auto vols = kvrpack::Pack(
        {{"C:\\A.TXT", backup::PackDosDateTime({2001, 5, 17, 12, 30, 0}), "abc", false}}, {});
    ASSERT_EQ(vols.size(), 1u);
    const std::string expected("\x00\x00\x00\x00"
                               "\x03\x00\x00\x00"
                               "\x00\x00\x00\x00"
                               "\x08\x00\x00\x00"
                               "C:\\A.TXT"
                               "\xC0\x63\xB1\x2A"
                               "EC2\x00"
                               "\xFD\xFF\xFF\xFF"
                               "abc"
                               "\x00\x00\x00\x00"
                               "\x00\x00\x00\x00",
                               47);
    EXPECT_EQ(Hex(vols[0]), Hex(expected));
    const MemHost h = RoundTrip({{"C:\\A.TXT", 0x2AB163C0, "abc", false}}, {});
    EXPECT_EQ(h.out.at("T:\\A.TXT"), "abc");
    EXPECT_EQ(h.dates.at("T:\\A.TXT"), 0x2AB163C0);
}

TEST(Packer, CompressesOnlyWhatShrinksAndHonoursStoreOnly) {
    const std::string text(20000, 'k');
    const std::string noise = Noise(20000, 1);
    kvrpack::Options o;
    const auto vols = kvrpack::Pack(
        {{"C:\\T", 0, text, false}, {"C:\\N", 0, noise, false}, {"C:\\S", 0, text, true}}, o);
    backup::MemorySource src(vols[0]);
    backup::ReadHeader(src);
    std::vector<std::vector<std::int32_t>> blocks;
    for (int e = 0; e < 3; ++e) {
        const std::int32_t n = backup::ReadInt32(src);
        backup::SkipExact(src, n + 4 + 4); // name, date, signature
        blocks.emplace_back();
        for (std::int32_t b; (b = backup::ReadInt32(src)) != 0;) {
            blocks.back().push_back(b);
            backup::SkipExact(src, b > 0 ? b : -b);
        }
    }
    ASSERT_EQ(blocks[0].size(), 2u);
    EXPECT_GT(blocks[0][0], 0);
    EXPECT_LT(blocks[0][0], 200);
    EXPECT_EQ(blocks[1], (std::vector<std::int32_t>{-16384, -3616}));
    EXPECT_EQ(blocks[2], (std::vector<std::int32_t>{-16384, -3616}));
    EXPECT_EQ(backup::ReadInt32(src), 0);
    // The first block, right after the section's signature, is what zlib makes
    // of its content alone.
    uLongf n = compressBound(16384);
    std::string z(n, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(text.data()),
              16384, o.level);
    z.resize(n);
    ASSERT_EQ(blocks[0][0], static_cast<std::int32_t>(n));
    EXPECT_NE(vols[0].find(std::string(backup::kSignatureText) +
                           std::string(reinterpret_cast<const char*>(&blocks[0][0]), 4) + z),
              std::string::npos);
}

TEST(Packer, HeaderTextTotalValueAndFileList) {
    kvrpack::Options o;
    o.headerText = "KELvar 5.0";
    o.total = 12345;
    o.headerValue = -7;
    o.fileList = true;
    const auto vols = kvrpack::Pack({{"C:\\A", 0, "a", false}, {"C:\\B", 0, "bb", false}}, o);
    backup::MemorySource src(vols[0]);
    EXPECT_EQ(backup::ReadInt32(src), 10);
    const backup::Header h = [&] {
        backup::MemorySource again(vols[0]);
        return backup::ReadHeader(again);
    }();
    EXPECT_EQ(h.total, 12345);
    EXPECT_EQ(h.value, -7);
    EXPECT_NE(vols[0].find("FILE:LIST"), std::string::npos);
    EXPECT_NE(vols[0].find("C:\\A\r\nC:\\B\r\n"), std::string::npos);
    const MemHost r = RoundTrip({{"C:\\A", 0, "a", false}, {"C:\\B", 0, "bb", false}}, o);
    EXPECT_EQ(r.out.size(), 2u); // the list is not restored
    EXPECT_EQ(kvrpack::Pack({{"C:\\A", 0, "abc", false}}, {})[0].substr(4, 4),
              std::string("\x03\0\0\0", 4)); // total defaults to the content size
}

TEST(Packer, VolumesRoundTripMixedContentAtManySizes) {
    std::vector<kvrpack::Entry> entries = {
        {"C:\\Daten\\Leer.dat", 1, "", false},
        {"C:\\Daten\\Text.txt", 2, std::string(70000, 't') + Noise(100, 2), false},
        {"C:\\Daten\\Noise.bin", 3, Noise(50000, 3), false},
        {"C:\\Daten\\Klein.txt", 4, "k", false},
    };
    for (std::size_t size : {300u, 1000u, 16400u, 40000u}) {
        SCOPED_TRACE(size);
        kvrpack::Options o;
        o.volumeSize = size;
        o.fileList = true;
        const MemHost h = RoundTrip(entries, o);
        for (const auto& e : entries) {
            const std::string path = "T:\\" + e.storedName.substr(3);
            ASSERT_EQ(h.out.count(path), 1u) << path;
            EXPECT_EQ(h.out.at(path), e.content) << path;
            EXPECT_EQ(h.dates.at(path), e.dosTime);
        }
        if (size == 40000) {
            ASSERT_FALSE(h.disks.empty());
            EXPECT_EQ(h.disks.front(), "2");
        }
    }
}

TEST(Packer, SmallestVolumesStillCarryEveryByte) {
    kvrpack::Options o;
    o.volumeSize = 64;
    const std::vector<kvrpack::Entry> entries = {{"C:\\A", 1, "", false},
                                                 {"C:\\B", 2, Noise(500, 9), false}};
    const MemHost h = RoundTrip(entries, o);
    EXPECT_EQ(h.out.at("T:\\A"), "");
    EXPECT_EQ(h.out.at("T:\\B"), entries[1].content);
    EXPECT_GT(h.disks.size(), 10u);
}

TEST(Packer, OnePackerWritesEachArchiveAsAPackerOfItsOwn) {
    // Lines the levels compress differently, in blocks that end mid-line.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "Zeile " + std::to_string(i * 7919 % 1000) + "\r\n";
    const std::vector<kvrpack::Entry> entries = {{"C:\\T", 1, text, false},
                                                 {"C:\\N", 2, Noise(5000, 5), false}};
    kvrpack::Options fast, best;
    fast.level = 1;
    best.volumeSize = 9000;
    ASSERT_NE(kvrpack::Pack(entries, fast), kvrpack::Pack(entries, best));
    kvrpack::Packer packer;
    for (const kvrpack::Options& o : {best, best, fast, kvrpack::Options{}}) {
        SCOPED_TRACE(o.level);
        EXPECT_EQ(packer.Pack(entries, o), kvrpack::Pack(entries, o));
    }
}

TEST(Packer, RejectsWhatCannotBeWritten) {
    kvrpack::Options o;
    EXPECT_THROW(kvrpack::Pack({{"NEXT:DISK002", 0, "", false}}, o), kvrpack::PackError);
    EXPECT_THROW(kvrpack::Pack({{"FILE:LIST", 0, "", false}}, o), kvrpack::PackError);
    EXPECT_THROW(kvrpack::Pack({{"", 0, "", false}}, o), kvrpack::PackError);
    o.volumeSize = 40;
    EXPECT_THROW(kvrpack::Pack({{"C:\\" + std::string(30, 'n'), 0, "x", false}}, o),
                 kvrpack::PackError);
    o.volumeSize = 0;
    o.blockSize = 16385;
    EXPECT_THROW(kvrpack::Pack({}, o), kvrpack::PackError);
}
