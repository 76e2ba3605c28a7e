// The demo package: the launcher's reading of "Kvrinf2.cfg", and the installer
// folder that make_payload.sh builds, restored here with the installer's own
// archive reader.
#include "backup/archive_reader.h"
#include "kvrinf2.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using demo::InfoStatus;

// --- Kvrinf2.cfg ------------------------------------------------------------

TEST(LaunchInfo, ReadsTheNameAsSetupWritesIt) {
    // "Erika Müller" with the umlaut as the one byte 0xFC.
    const demo::Info info = demo::ParseInfo("KVR-INF_DAT\r\nErika M\xFCller\r\n");
    ASSERT_EQ(info.status, InfoStatus::ok);
    EXPECT_EQ(info.name, "Erika M\xFCller");
    EXPECT_EQ(demo::Greeting(info.name), "Willkommen bei KELvar 5.0, Erika M\xFCller!");
}

TEST(LaunchInfo, KeepsBlanksAndTakesLenientLineEnds) {
    EXPECT_EQ(demo::ParseInfo("KVR-INF_DAT\r\n  Anna  \r\n").name, "  Anna  ");
    EXPECT_EQ(demo::ParseInfo("KVR-INF_DAT\nAnna\n").name, "Anna");
    EXPECT_EQ(demo::ParseInfo("KVR-INF_DAT\r\nAnna").name, "Anna");
    // Lines after the name are not the launcher's business.
    const demo::Info extra = demo::ParseInfo("KVR-INF_DAT\r\nAnna\r\nmehr\r\n");
    EXPECT_EQ(extra.status, InfoStatus::ok);
    EXPECT_EQ(extra.name, "Anna");
}

TEST(LaunchInfo, EmptyNameGivesPlainGreeting) {
    const demo::Info info = demo::ParseInfo("KVR-INF_DAT\r\n\r\n");
    ASSERT_EQ(info.status, InfoStatus::ok);
    EXPECT_EQ(info.name, "");
    EXPECT_EQ(demo::Greeting(info.name), "Willkommen bei KELvar 5.0!");
}

TEST(LaunchInfo, RejectsDamagedFiles) {
    EXPECT_EQ(demo::ParseInfo("").status, InfoStatus::noMarker);
    EXPECT_EQ(demo::ParseInfo("Erika\r\nKVR-INF_DAT\r\n").status, InfoStatus::noMarker);
    EXPECT_EQ(demo::ParseInfo("kvr-inf_dat\r\nErika\r\n").status, InfoStatus::noMarker);
    EXPECT_EQ(demo::ParseInfo("KVR-INF_DAT \r\nErika\r\n").status, InfoStatus::noMarker);
    EXPECT_EQ(demo::ParseInfo("KVR-INF_DAT").status, InfoStatus::noName);
    EXPECT_EQ(demo::ParseInfo("KVR-INF_DAT\r\n").status, InfoStatus::noName);
    EXPECT_EQ(demo::ParseInfo(std::string("KVR-INF_DAT\r\nEr\0ka\r\n", 20)).status,
              InfoStatus::badCharacter);
    std::string big = "KVR-INF_DAT\r\n" + std::string(demo::kMaxInfoSize, 'x');
    EXPECT_EQ(demo::ParseInfo(big).status, InfoStatus::tooLarge);
    EXPECT_TRUE(demo::ParseInfo(big).name.empty());
}

TEST(LaunchInfo, MessagesNameTheFileAndTheFault) {
    const std::string path = "C:\\KELvar\\Kvrinf2.cfg";
    const std::string noName = demo::InfoProblem(InfoStatus::noName, path);
    EXPECT_EQ(noName.rfind("\"C:\\KELvar\\Kvrinf2.cfg\"\n\n", 0), 0u) << noName;
    EXPECT_NE(noName.find("zweite Zeile"), std::string::npos);
    EXPECT_NE(demo::InfoProblem(InfoStatus::noMarker, path).find("KVR-INF_DAT"), std::string::npos);
    EXPECT_EQ(demo::InfoMissing(path).rfind("\"" + path + "\"", 0), 0u);
    // Every fault has its own sentence.
    std::set<std::string> texts;
    for (InfoStatus s :
         {InfoStatus::tooLarge, InfoStatus::noMarker, InfoStatus::noName, InfoStatus::badCharacter})
        texts.insert(demo::InfoProblem(s, path));
    EXPECT_EQ(texts.size(), 4u);
}

TEST(LaunchInfo, FolderOfModulePath) {
    EXPECT_EQ(demo::FolderOf("C:\\Programme\\KELvar 5.0\\Launch.exe"), "C:\\Programme\\KELvar 5.0");
    EXPECT_EQ(demo::FolderOf("C:\\Launch.exe"), "C:\\");
    EXPECT_EQ(demo::FolderOf("Launch.exe"), "");
}

// --- the installer folder -----------------------------------------------------

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteAll(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

// Runs the script; returns its exit status, stderr in err.
int MakePayload(const fs::path& out, const fs::path& win, std::string* err = nullptr) {
    const fs::path errFile = fs::path(out).concat(".err");
    const std::string cmd = std::string("bash ") + DEMO_MAKE_PAYLOAD + " " + Quote(out) + " " +
                            Quote(win) + " " + Quote(KVRPACK_DIR) + " >/dev/null 2>" +
                            Quote(errFile);
    const int rc = std::system(cmd.c_str());
    if (err)
        *err = ReadAll(errFile);
    fs::remove(errFile);
    return rc;
}

class PayloadHost : public backup::RestoreHost {
public:
    explicit PayloadHost(const fs::path& folder) : folder_(folder) {}
    struct File {
        std::string bytes;
        std::int32_t date = 0;
    };
    std::map<std::string, File> files;
    std::vector<std::string> disks;

    // Archives are named C:\Setup\<name>; the bytes come from the folder.
    fs::path Local(const std::string& p) const {
        const std::string prefix = "C:\\Setup\\";
        return p.rfind(prefix, 0) == 0 ? folder_ / p.substr(prefix.size()) : fs::path();
    }
    bool FileExists(const std::string& p) override {
        const fs::path l = Local(p);
        return !l.empty() && fs::is_regular_file(l);
    }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& p) override {
        if (!FileExists(p))
            throw rt::EFOpenError("cannot open " + p);
        auto src = std::make_unique<Source>();
        src->bytes = ReadAll(Local(p));
        src->mem = std::make_unique<backup::MemorySource>(std::string_view(src->bytes));
        return src;
    }
    std::optional<std::int32_t> FileAge(const std::string& p) override {
        auto it = files.find(p);
        if (it == files.end())
            return std::nullopt;
        return it->second.date;
    }
    bool ForceDirectories(const std::string&) override { return true; }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string& p) override {
        files[p] = File{};
        return std::make_unique<Output>(files[p]);
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string& p) override {
        if (!files.count(p))
            throw rt::EFOpenError("cannot append to " + p);
        return std::make_unique<Output>(files[p]);
    }
    void ProcessMessages() override {}
    void Progress(const std::string&, int, bool&) override {}
    void NeedDisk(const std::string& disk, bool& cont) override {
        disks.push_back(disk);
        cont = true;
    }
    void RestoreFile(std::string&, std::int32_t, bool&) override {}
    void FileRestored(std::string&, std::unique_ptr<backup::OutputFile>&) override {}
    void ReportError(int code, const std::string& text) override {
        ADD_FAILURE() << "restore error " << code << ": " << text;
    }

private:
    struct Source : backup::ByteSource {
        std::string bytes;
        std::unique_ptr<backup::MemorySource> mem;
        std::size_t Read(void* buf, std::size_t n) override { return mem->Read(buf, n); }
        bool Skip(std::size_t n) override { return mem->Skip(n); }
    };
    struct Output : backup::OutputFile {
        explicit Output(File& f) : file(f) {}
        File& file;
        void Write(const void* d, std::size_t n) override {
            file.bytes.append(static_cast<const char*>(d), n);
        }
        void SetDateTime(std::int32_t t) override { file.date = t; }
    };
    fs::path folder_;
};

const std::vector<std::pair<std::string, std::string>> kTable = {
    {"Lockbox.kvr", "Lockbox.exe"}, {"Roster.kvr", "Roster.lst"},
    {"Parcel.kvr", "Parcel.exe"},   {"Unfold.kvr", "Unfold.exe"},
    {"Launch.kvr", "Launch.exe"},   {"Kvrbn.kvr", "Kvrbn.bmp"},
    {"Kvri1.kvr", "Kvri1.bmp"},     {"Kvri2.kvr", "Kvri2.bmp"},
    {"Kvri3.kvr", "Kvri3.bmp"},     {"Kvri4.kvr", "Kvri4.bmp"},
    {"Kvrtl.kvr", "Kvrtl.bmp"},     {"Kvrtlbar.kvr", "Kvrtlbar.bmp"},
    {"Kelvar5.kvr", "Kelvar5.exe"}, {"Kelvar5h.kvr", "Kelvar5.hlp"},
};

// 1 June 2001, 12:00:00, packed as the archive stores it.
constexpr std::int32_t kReleaseTime = ((2001 - 1980) << 25) | (6 << 21) | (1 << 16) | (12 << 11);

bool IsCp1252TextWithCrLf(const std::string& s) {
    if (s.empty() || s.size() < 2 || s.substr(s.size() - 2) != "\r\n")
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'))
            return false;
        // UTF-8 would show lead bytes 0xC3 for the umlauts.
        if (static_cast<unsigned char>(s[i]) == 0xC3)
            return false;
    }
    return true;
}

} // namespace

class Payload : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("demo-payload-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "win");
        // Stand-ins for the Windows build; the stub is large enough to compress
        // like a program.
        WriteAll(dir_ / "win" / "Setup.exe", "MZ setup");
        WriteAll(dir_ / "win" / "Launch.exe", "MZ launch");
        std::string stub = "MZ stub ";
        for (int i = 0; stub.size() < 40000; ++i)
            stub += std::to_string(i * 7919 % 1000) + ' ';
        WriteAll(dir_ / "win" / "KvrStub.exe", stub);
        rc_ = MakePayload(dir_ / "out", dir_ / "win");
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    void SetUp() override { ASSERT_EQ(rc_, 0) << "make_payload.sh failed"; }

    static PayloadHost Restore(const std::string& archive) {
        PayloadHost host(dir_ / "out");
        backup::RunState state;
        const bool ok =
            backup::Restore({}, state, host, "C:\\Setup\\" + archive, "C:\\KELvar", nullptr);
        EXPECT_TRUE(ok) << archive;
        return host;
    }

    static inline fs::path dir_;
    static inline int rc_ = -1;
};

TEST_F(Payload, FolderHoldsSetupTheArchivesAndTheInfoFile) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_ / "out"))
        names.insert(e.path().filename());
    std::set<std::string> want = {"Setup.exe", "Kelvar5.002", "Kvrinf.kvr"};
    for (const auto& [archive, file] : kTable)
        want.insert(archive);
    EXPECT_EQ(names, want);
    EXPECT_EQ(ReadAll(dir_ / "out" / "Setup.exe"), "MZ setup");
}

TEST_F(Payload, EveryArchiveRestoresItsOneFileWithTheReleaseTime) {
    const std::string stub = ReadAll(dir_ / "win" / "KvrStub.exe");
    for (const auto& [archive, file] : kTable) {
        SCOPED_TRACE(archive);
        PayloadHost host = Restore(archive);
        ASSERT_EQ(host.files.size(), 1u);
        const auto& [path, restored] = *host.files.begin();
        EXPECT_EQ(path, "C:\\KELvar\\" + file);
        EXPECT_EQ(restored.date, kReleaseTime);
        const std::string ext = file.substr(file.size() - 3);
        const std::string& b = restored.bytes;
        if (file == "Launch.exe") {
            EXPECT_EQ(b, "MZ launch");
        } else if (file == "Kelvar5.exe") {
            // The program followed by its bulk.
            EXPECT_EQ(b.substr(0, stub.size()), stub);
            EXPECT_EQ(b.size(), stub.size() + 320 * 1024);
        } else if (ext == "exe") {
            EXPECT_EQ(b, stub);
        } else if (ext == "bmp") {
            ASSERT_GE(b.size(), 54u);
            EXPECT_EQ(b.substr(0, 2), "BM");
            const auto le32 = [&](std::size_t at) {
                return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
                       static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
                       static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
                       static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
            };
            EXPECT_EQ(le32(2), b.size()) << "size field of the bitmap";
            EXPECT_EQ(static_cast<unsigned char>(b[28]), 24) << "bits per pixel";
        } else {
            EXPECT_TRUE(IsCp1252TextWithCrLf(b)) << b;
        }
    }
}

TEST_F(Payload, OnlyTheMainProgramComesOnTwoDisks) {
    for (const auto& [archive, file] : kTable) {
        SCOPED_TRACE(archive);
        const PayloadHost host = Restore(archive);
        if (archive == "Kelvar5.kvr")
            EXPECT_EQ(host.disks, std::vector<std::string>{"2"});
        else
            EXPECT_TRUE(host.disks.empty());
    }
    EXPECT_LE(fs::file_size(dir_ / "out" / "Kelvar5.kvr"), 256u * 1024);
}

TEST_F(Payload, InfoFileIsCp1252Text) {
    const std::string info = ReadAll(dir_ / "out" / "Kvrinf.kvr");
    EXPECT_TRUE(IsCp1252TextWithCrLf(info)) << info;
    EXPECT_EQ(info.rfind("KELvar 5.0\r\n", 0), 0u);
    EXPECT_NE(info.find("Laufwerks\xFC"
                        "berwachung"),
              std::string::npos);
}

TEST_F(Payload, SecondRunGivesTheSameBytes) {
    ASSERT_EQ(MakePayload(dir_ / "again", dir_ / "win"), 0);
    for (const auto& e : fs::directory_iterator(dir_ / "out")) {
        SCOPED_TRACE(e.path().filename().string());
        EXPECT_EQ(ReadAll(e.path()), ReadAll(dir_ / "again" / e.path().filename()));
    }
}

TEST_F(Payload, MissingProgramsAreNamedAndNothingIsTouched) {
    const fs::path out = dir_ / "keep";
    fs::create_directories(out);
    WriteAll(out / "Lockbox.kvr", "older package");
    fs::create_directories(dir_ / "nowin");
    std::string err;
    EXPECT_NE(MakePayload(out, dir_ / "nowin", &err), 0);
    EXPECT_NE(err.find("Setup.exe"), std::string::npos) << err;
    EXPECT_EQ(ReadAll(out / "Lockbox.kvr"), "older package");
}
