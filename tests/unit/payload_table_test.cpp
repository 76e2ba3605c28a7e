// The table of the packed files bound into Setup.exe: its text read back,
// every malformation named with its line, and the check of one file against
// it through a fake platform.
#include "runtime/payload_table.h"
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

rt::Sha256 HashOf(std::uint8_t seed) {
    rt::Sha256 h{};
    for (std::size_t i = 0; i < h.size(); ++i)
        h[i] = static_cast<std::uint8_t>(seed * 31 + i * 7);
    return h;
}

rt::PayloadTable Sample() {
    return {{{"Lockbox.kvr", 1234, HashOf(1)},
             {"Kelvar5.002", 0, HashOf(2)},
             {"Kvrinf.kvr", rt::kPayloadSizeMax, HashOf(3)},
             {"B\xFCro Daten.kvr", 7, HashOf(4)}}};
}

std::string Room(const std::string& text) {
    std::string room = text;
    room.resize(rt::kPayloadTableRoom, '\0');
    return room;
}

TEST(PayloadTable, ReadsBackWhatItWroteInTheRoomAndAlone) {
    const rt::PayloadTable table = Sample();
    const std::string text = rt::FormatPayloadTable(table);
    EXPECT_EQ(text.substr(0, 17), "KELVAR-PAYLOAD 1\n");
    EXPECT_NE(text.find(rt::ToHex(HashOf(1)) + " 1234 Lockbox.kvr\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 6), "END 4\n");
    for (const std::string& bytes : {text, Room(text)}) {
        const rt::PayloadTableResult r = rt::ParsePayloadTable(bytes);
        ASSERT_TRUE(r.ok()) << r.Message();
        EXPECT_EQ(r.table, table);
    }
    const rt::PayloadTableResult empty = rt::ParsePayloadTable(Room(rt::FormatPayloadTable({})));
    ASSERT_TRUE(empty.ok()) << empty.Message();
    EXPECT_TRUE(empty.table.entries.empty());
}

TEST(PayloadTable, RefusesToWriteWhatItCouldNotReadBack) {
    for (const char* name : {"", "a\\b.kvr", "C:x.kvr", "x.kvr.", "x.kvr ", " x.kvr", "a*.kvr",
                             "a\nb.kvr", "..", "a/b.kvr"})
        EXPECT_THROW(rt::FormatPayloadTable({{{name, 1, {}}}}), std::invalid_argument) << name;
    EXPECT_THROW(rt::FormatPayloadTable({{{"A.kvr", 1, {}}, {"a.KVR", 1, {}}}}),
                 std::invalid_argument);
    EXPECT_THROW(rt::FormatPayloadTable({{{"A.kvr", rt::kPayloadSizeMax + 1, {}}}}),
                 std::invalid_argument);
    EXPECT_THROW(rt::FormatPayloadTable({{{std::string(256, 'a'), 1, {}}}}), std::invalid_argument);
    EXPECT_NO_THROW(rt::FormatPayloadTable({{{std::string(255, 'a'), 1, {}}}}));
}

TEST(PayloadTable, NamesEachMalformationWithItsLine) {
    const std::string h = rt::ToHex(HashOf(9));
    const std::string head = "KELVAR-PAYLOAD 1\n";
    const std::string good = h + " 5 A.kvr\n";
    using E = rt::PayloadTableError;
    const struct {
        std::string text;
        E error;
        std::size_t line;
    } cases[] = {
        {std::string(rt::kPayloadTableRoom, '\0'), E::Unbound, 0},
        {"", E::Unbound, 0},
        {std::string("\0x", 2), E::BadHeader, 1},
        {"KELVAR-PAYLOAD 2\nEND 0\n", E::BadHeader, 1},
        {"KELVAR-PAYLOAD 1", E::BadHeader, 1},
        {"KELVAR-PAYLOAD 1\r\nEND 0\n", E::BadHeader, 1},
        {head + h + " 5A.kvr\nEND 1\n", E::BadLine, 2},
        {head + good + h + " 5 B.kvr", E::BadLine, 3},
        {head + h.substr(0, 63) + " 5 A.kvr\nEND 1\n", E::BadHash, 2},
        {head + h + "0 5 A.kvr\nEND 1\n", E::BadHash, 2},
        {head + "A" + h.substr(1) + " 5 A.kvr\nEND 1\n", E::BadHash, 2},
        {head + h + " 05 A.kvr\nEND 1\n", E::BadSize, 2},
        {head + h + " -5 A.kvr\nEND 1\n", E::BadSize, 2},
        {head + h + "  A.kvr\nEND 1\n", E::BadSize, 2},
        {head + h + " 18446744073709551617 A.kvr\nEND 1\n", E::BadSize, 2},
        {head + good + h + " 5 a\\b.kvr\nEND 2\n", E::BadName, 3},
        {head + h + " 5 A.kvr\r\nEND 1\n", E::BadName, 2},
        {head + h + " 5 A.kvr.\nEND 1\n", E::BadName, 2},
        {head + h + " 5 \nEND 1\n", E::BadName, 2},
        {head + good + h + " 5 a.KVR\nEND 2\n", E::DuplicateName, 3},
        {head + good, E::BadEnd, 3},
        {head + good + "END 2\n", E::BadEnd, 3},
        {head + good + "END 01\n", E::BadEnd, 3},
        {head + good + "END 1\n" + good, E::TrailingBytes, 4},
        {head + good + "END 1\nx", E::TrailingBytes, 4},
        {head + good + "END 1\n" + std::string("\0\0x\0", 4), E::TrailingBytes, 4},
    };
    for (const auto& c : cases) {
        const rt::PayloadTableResult r = rt::ParsePayloadTable(c.text);
        EXPECT_EQ(r.error, c.error) << c.text << "\n" << r.Message();
        EXPECT_EQ(r.line, c.line) << c.text << "\n" << r.Message();
        EXPECT_TRUE(r.table.entries.empty());
    }
    EXPECT_EQ(rt::ParsePayloadTable(head + good + "END 2\n").Message(),
              "line 3: no \"END <count>\" line with the number of entries");
}

TEST(PayloadTable, FindsNamesWithoutCaseOfTheLettersAToZOnly) {
    const rt::PayloadTable table = Sample();
    ASSERT_NE(table.Find("LOCKBOX.KVR"), nullptr);
    EXPECT_EQ(table.Find("lockbox.kvr")->size, 1234u);
    EXPECT_EQ(table.Find("Lockbox.kvr "), nullptr);
    EXPECT_EQ(table.Find("Lockbox"), nullptr);
    EXPECT_NE(table.Find("b\xFCro daten.KVR"), nullptr);
    EXPECT_EQ(table.Find("B\xDCro Daten.kvr"), nullptr) << "only A-Z fold";
}

TEST(PayloadTable, CoversPackedFilesTheirVolumesAndTheInfoFile) {
    for (const char* name : {"Lockbox.kvr", "KVRINF.KVR", "Kelvar5.002", "Kelvar5.010", "a.Kvr"})
        EXPECT_TRUE(rt::IsPayloadFile(name)) << name;
    for (const char* name : {"Setup.exe", "SHA256SUMS", ".kvr", "Kelvar5.02", "Kelvar5.0002",
                             "Kelvar5.00a", "Setup.exe.unsigned.sha256", "a.kvr.", "kvr"})
        EXPECT_FALSE(rt::IsPayloadFile(name)) << name;
}

// Files by path: size and hash as the platform would give them.
class FakeDigests : public rt::FileDigests {
public:
    struct File {
        std::uint64_t size;
        rt::Sha256 hash;
        bool readable = true;
        std::uint64_t hashedBytes = ~0ull; // another size while hashed: changed meanwhile
    };
    std::map<std::string, File> files;
    int sizes = 0, hashes = 0;

    bool Size(const std::string& path, std::uint64_t& size) override {
        ++sizes;
        const auto it = files.find(path);
        if (it == files.end())
            return false;
        size = it->second.size;
        return true;
    }
    bool Hash(const std::string& path, std::uint64_t& bytes, rt::Sha256& hash) override {
        ++hashes;
        const auto it = files.find(path);
        if (it == files.end() || !it->second.readable)
            return false;
        bytes = it->second.hashedBytes != ~0ull ? it->second.hashedBytes : it->second.size;
        hash = it->second.hash;
        return true;
    }
};

TEST(PayloadCheck, GivesEachVerdictAndHashesOnlyAFileOfTheRightSize) {
    const rt::PayloadTable table = Sample();
    const std::string copy = "C:\\Kvr5~tmp\\Lockbox.kvr";
    using V = rt::Verdict;
    const struct {
        const char* what;
        FakeDigests::File file;
        bool present;
        V verdict;
        int hashes;
    } cases[] = {
        {"as bound", {1234, HashOf(1)}, true, V::Ok, 1},
        {"one byte longer", {1235, HashOf(1)}, true, V::SizeDiffers, 0},
        {"same size, other bytes", {1234, HashOf(7)}, true, V::HashDiffers, 1},
        {"missing", {1234, HashOf(1)}, false, V::Unreadable, 0},
        {"locked while hashed", {1234, HashOf(1), false}, true, V::Unreadable, 1},
        {"grown while hashed", {1234, HashOf(1), true, 1300}, true, V::SizeDiffers, 1},
    };
    for (const auto& c : cases) {
        FakeDigests host;
        if (c.present)
            host.files[copy] = c.file;
        EXPECT_EQ(rt::Check(table, "LOCKBOX.kvr", copy, host), c.verdict) << c.what;
        EXPECT_EQ(host.hashes, c.hashes) << c.what;
    }
}

TEST(PayloadCheck, AcceptsNothingThatIsNotInTheTableNotEvenFromAnEmptyOne) {
    FakeDigests host;
    host.files["C:\\T\\Evil.kvr"] = {5, HashOf(5)};
    host.files["C:\\T\\Lockbox.kvr"] = {1234, HashOf(1)};
    EXPECT_EQ(rt::Check(Sample(), "Evil.kvr", "C:\\T\\Evil.kvr", host), rt::Verdict::NotInTable);
    EXPECT_EQ(rt::Check({}, "Lockbox.kvr", "C:\\T\\Lockbox.kvr", host), rt::Verdict::NotInTable);
    EXPECT_EQ(host.sizes + host.hashes, 0) << "nothing read for a file that is not in the table";
    // The entry's name decides, not the file's: a table entry checks the file it is given.
    EXPECT_EQ(rt::Check(Sample(), "Kvrinf.kvr", "C:\\T\\Lockbox.kvr", host),
              rt::Verdict::SizeDiffers);
}

TEST(PayloadCheck, ARecordedDigestVouchesForItsOwnCopyAndNoOtherPath) {
    const rt::PayloadTable table = Sample();
    const std::string copy = "C:\\Kvr5~tmp\\Lockbox.kvr";
    rt::RecordedDigest asBound(copy, 1234, HashOf(1)), shorter(copy, 1233, HashOf(1)),
        other(copy, 1234, HashOf(9));
    EXPECT_EQ(rt::Check(table, "Lockbox.kvr", copy, asBound), rt::Verdict::Ok);
    EXPECT_EQ(rt::Check(table, "Lockbox.kvr", copy, shorter), rt::Verdict::SizeDiffers);
    EXPECT_EQ(rt::Check(table, "Lockbox.kvr", copy, other), rt::Verdict::HashDiffers);
    // What was hashed on the way into one copy says nothing of another file.
    rt::RecordedDigest genuine(copy, 1234, HashOf(1));
    EXPECT_EQ(rt::Check(table, "Lockbox.kvr", "C:\\Kvr5~tmp\\lockbox.kvr", genuine),
              rt::Verdict::Unreadable);
}

} // namespace
