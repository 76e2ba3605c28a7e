// libFuzzer target: what the packer writes, the reader restores byte for byte.
// The input describes a set of files (names, sizes, contents, dates, empty
// files), the compression level, the block size and the volume size. The
// packer writes the archive in memory; a restore run reads it back through an
// in-memory host that inserts each continuation volume only when the run asks
// for its disk, once after a first "OK" without the disk when the input says
// so. Every restored file must equal its input, with its date, and the disks
// must be asked for in order; anything else aborts.
#include "backup/archive_reader.h"
#include "packer.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
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

class Host : public backup::RestoreHost {
public:
    std::map<std::string, std::string> present; // volumes that can be opened now
    std::vector<std::string> disks;             // the continuation volumes, in order
    std::map<std::string, std::string> out;
    std::map<std::string, std::int32_t> dates;
    std::vector<std::string> asked;
    bool firstPromptWithoutDisk = false;
    int openOutputs = 0;

    struct Out : backup::OutputFile {
        Out(Host& h, std::string p) : h(h), p(std::move(p)) { ++h.openOutputs; }
        ~Out() override { --h.openOutputs; }
        void Write(const void* d, std::size_t n) override {
            h.out[p].append(static_cast<const char*>(d), n);
        }
        void SetDateTime(std::int32_t d) override { h.dates[p] = d; }
        Host& h;
        std::string p;
    };

    bool FileExists(const std::string& p) override { return present.count(p) || out.count(p); }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& p) override {
        auto it = present.find(p);
        if (it == present.end())
            Fail(); // the run opens only what it has seen exist
        return std::make_unique<backup::MemorySource>(it->second);
    }
    std::optional<std::int32_t> FileAge(const std::string&) override { return std::nullopt; }
    bool ForceDirectories(const std::string&) override { return true; }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string& p) override {
        if (out.count(p))
            Fail(); // every name is unique: nothing is written twice
        out[p];
        return std::make_unique<Out>(*this, p);
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string& p) override {
        if (!out.count(p))
            Fail();
        return std::make_unique<Out>(*this, p);
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
        present[backup::VolumeFile(kArchive, number - 1)] = disks[number - 2];
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
        // At most 32 blocks and 48 KiB a file: a run stays in the milliseconds.
        const std::size_t cap = std::min(32 * options.blockSize, std::size_t{49152});
        if (shape & 2) {
            // Long content from a short pattern: many blocks, compressible.
            const std::string pattern = in.Bytes(1 + in.Byte() % 16);
            const std::size_t n = std::min(cap, length * (1 + (shape >> 2) % 8));
            for (std::size_t k = 0; !pattern.empty() && k < n; ++k)
                e.content += pattern[k % pattern.size()];
        } else {
            e.content = in.Bytes(std::min(cap, length)); // may be empty
        }
    }

    std::vector<std::string> volumes;
    try {
        volumes = kvrpack::Pack(entries, options);
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
    host.firstPromptWithoutDisk = withoutDisk;
    host.present[Host::kArchive] = volumes[0];
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

    // The file list is read past, never written.
    if (host.out.size() != entries.size())
        Fail();
    for (const kvrpack::Entry& e : entries) {
        const std::string target = "T:\\Ziel\\" + backup::PlainName(e.storedName);
        auto it = host.out.find(target);
        if (it == host.out.end() || it->second != e.content || host.dates[target] != e.dosTime)
            Fail();
    }
    return 0;
}
