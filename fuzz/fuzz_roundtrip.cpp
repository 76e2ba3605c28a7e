// libFuzzer target: what the packer writes, the reader restores byte for byte.
// The input describes a set of files (names, sizes, contents, dates, empty
// files), the compression level, the block size and the volume size. The
// packer writes the archive in memory; a restore run reads it back through an
// in-memory host with one drive, where each continuation volume replaces the
// one before only when the run asks for its disk (once after a first "OK"
// without the disk when the input says so). Every restored file must equal its
// input, with its date, and the disks must be asked for in order; anything
// else aborts.
#include "backup/archive_reader.h"
#include "packer.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Reads the input front to back; past its end every read gives zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    unsigned Byte() { return p_ < end_ ? *p_++ : 0; }
    unsigned Word() { return Byte() | Byte() << 8; }
    std::uint32_t Long() { return Word() | static_cast<std::uint32_t>(Word()) << 16; }
    std::string Bytes(std::size_t n) {
        n = std::min<std::size_t>(n, static_cast<std::size_t>(end_ - p_));
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return s;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

[[noreturn]] void Fail() {
    std::abort();
}

// n bytes of the pattern repeated (none without a pattern), copied in doubling
// pieces: made byte by byte, the content cost as much as packing it.
std::string Repeat(const std::string& pattern, std::size_t n) {
    if (pattern.empty())
        return {};
    std::string s;
    s.reserve(std::max(n, pattern.size()));
    s = pattern;
    while (s.size() < n)
        s.append(s, 0, std::min(s.size(), n - s.size()));
    s.resize(n);
    return s;
}

// The content of all files together: three full blocks fit in one file; more
// reaches nothing new and costs time. With volumes, at most 16 volume sizes:
// the packer compresses a whole block again for each volume it fills, and
// 48 KiB in blocks of 16 KiB and volumes of 72 bytes took 60 ms to run into
// the limit of 999 volumes.
constexpr std::size_t kMaxContent = 64 * 1024;
constexpr std::size_t kMaxContentPerVolume = 16;

// Compares what the run writes with the files as they went in, as it comes:
// no copy of the output is kept. The volumes are the packer's own, viewed.
class Host : public backup::RestoreHost {
public:
    struct File {
        const kvrpack::Entry* entry = nullptr;
        bool created = false;
        std::size_t written = 0;
        std::int32_t date = 0;
        bool dated = false;
    };
    std::map<std::string, File> files;   // by target path
    std::vector<std::string_view> disks; // the continuation volumes, in order
    std::string drive = kArchive;        // the volume in the drive: its name and bytes
    std::string_view inDrive;
    std::vector<std::string> asked;
    bool firstPromptWithoutDisk = false;
    int openOutputs = 0;

    struct Out : backup::OutputFile {
        Out(Host& h, File& f) : h(h), f(f) { ++h.openOutputs; }
        ~Out() override { --h.openOutputs; }
        void Write(const void* d, std::size_t n) override {
            const std::string& content = f.entry->content;
            if (n > content.size() - f.written ||
                std::memcmp(content.data() + f.written, d, n) != 0)
                Fail(); // not the bytes that went in
            f.written += n;
        }
        void SetDateTime(std::int32_t d) override {
            f.date = d;
            f.dated = true;
        }
        Host& h;
        File& f;
    };

    bool FileExists(const std::string& p) override {
        if (p == drive)
            return true;
        auto it = files.find(p);
        return it != files.end() && it->second.created;
    }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& p) override {
        if (p != drive)
            Fail(); // the run opens only what it has seen exist
        return std::make_unique<backup::MemorySource>(inDrive);
    }
    std::optional<std::int32_t> FileAge(const std::string&) override { return std::nullopt; }
    bool ForceDirectories(const std::string&) override { return true; }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string& p) override {
        auto it = files.find(p);
        // Only the files that went in, each once; the file list is never written.
        if (it == files.end() || it->second.created)
            Fail();
        it->second.created = true;
        return std::make_unique<Out>(*this, it->second);
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string& p) override {
        auto it = files.find(p);
        if (it == files.end() || !it->second.created)
            Fail();
        return std::make_unique<Out>(*this, it->second);
    }
    void ProcessMessages() override {}
    void Progress(const std::string&, int, bool&) override {}
    // The user inserts the disk asked for and answers OK (the first time,
    // when so described, without inserting it).
    void NeedDisk(const std::string& disk, bool& cont) override {
        asked.push_back(disk);
        cont = true;
        if (firstPromptWithoutDisk && asked.size() == 1)
            return;
        const std::size_t number = std::strtoul(disk.c_str(), nullptr, 10);
        if (number < 2 || number - 2 >= disks.size())
            Fail(); // a disk the archive does not have
        drive = backup::VolumeFile(kArchive, number - 1);
        inDrive = disks[number - 2];
    }
    void RestoreFile(std::string&, std::int32_t, bool&) override {}
    void FileRestored(std::string&, std::unique_ptr<backup::OutputFile>&) override {}
    void ReportError(int, const std::string&) override { Fail(); }

    static constexpr const char* kArchive = "A:\\Kelvar5.kvr";
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    kvrpack::Options options;
    options.level = static_cast<int>(in.Byte() % 10);
    options.blockSize = 1 + in.Word() % backup::kBlockSize;
    const unsigned volume = in.Word();
    // Below 64 bytes no volume holds an entry: those inputs mean one volume.
    options.volumeSize = volume < 64 ? 0 : volume;
    const unsigned flags = in.Byte();
    options.fileList = flags & 1;
    if (flags & 2)
        options.headerText = in.Bytes(in.Byte());
    const bool withoutDisk = flags & 4;

    std::vector<kvrpack::Entry> entries(in.Byte() % 9);
    std::size_t budget = kMaxContent;
    if (options.volumeSize != 0)
        budget = std::min(budget, kMaxContentPerVolume * options.volumeSize);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        kvrpack::Entry& e = entries[i];
        // A unique plain name, below a folder that the run drops.
        std::string name = "F" + std::to_string(i) + "_";
        for (char c : in.Bytes(in.Byte() % 13))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        e.storedName = "C:\\Daten\\" + name;
        e.dosTime = static_cast<std::int32_t>(in.Long());
        const unsigned shape = in.Byte();
        e.storeOnly = shape & 1;
        const std::size_t length = in.Word();
        // At most 32 blocks and 48 KiB a file.
        const std::size_t cap = std::min({32 * options.blockSize, std::size_t{49152}, budget});
        if (shape & 2) {
            // Long content from a short pattern: many blocks, compressible.
            const std::string pattern = in.Bytes(1 + in.Byte() % 16);
            e.content = Repeat(pattern, std::min(cap, length * (1 + (shape >> 2) % 8)));
        } else {
            e.content = in.Bytes(std::min(cap, length)); // may be empty
        }
        budget -= e.content.size();
    }

    std::vector<std::string> volumes;
    try {
        static kvrpack::Packer packer;
        volumes = packer.Pack(entries, options);
    } catch (const kvrpack::PackError&) {
        return 0; // a volume too small for an entry: not an archive to read
    }
    if (volumes.empty())
        Fail();
    if (options.volumeSize != 0)
        for (const std::string& v : volumes)
            if (v.size() > options.volumeSize)
                Fail();

    Host host;
    for (const kvrpack::Entry& e : entries)
        host.files["T:\\Ziel\\" + backup::PlainName(e.storedName)].entry = &e;
    host.firstPromptWithoutDisk = withoutDisk;
    host.inDrive = volumes[0];
    host.disks.assign(volumes.begin() + 1, volumes.end());
    backup::RestoreSettings settings;
    backup::RunState state;
    if (!backup::Restore(settings, state, host, Host::kArchive, "T:\\Ziel", nullptr))
        Fail();
    if (host.openOutputs != 0)
        Fail();

    // The disks 2, 3, ... asked for in order; the first twice when it was not inserted.
    std::vector<std::string> expected;
    for (std::size_t n = 2; n < volumes.size() + 1; ++n)
        expected.push_back(std::to_string(n));
    if (withoutDisk && !expected.empty())
        expected.insert(expected.begin(), expected.front());
    if (host.asked != expected)
        Fail();

    // Every file whole, with its date.
    for (const auto& [path, file] : host.files)
        if (!file.created || file.written != file.entry->content.size() || !file.dated ||
            file.date != file.entry->dosTime)
            Fail();
    return 0;
}
