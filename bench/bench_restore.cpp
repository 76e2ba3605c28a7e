// Natively: the restore run's own cost against a bare loop that reads the same
// blocks and inflates them, neither writing, interleaved; plus the run's peak
// memory. The pair with writes on both sides runs under Wine (bench_restore.sh).
//
//   bench_restore [MiB]   (default 64)
//
// The payload (half compressible text, half incompressible noise, in 8 files)
// is packed with kvrpack into volumes of 8 MiB in a temporary directory. The
// restore goes through backup::Restore, the decoding code of TBackupFile, with
// POSIX files in place of Win32 ones. Peak memory: heap bytes allocated through
// operator new during one restore with writes (counted), and the resident-set
// high-water mark after resetting it (Linux /proc/self/clear_refs).
#include "backup/archive_reader.h"
#include "packer.h"
#include "payload.h"
#include "rounds.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

std::atomic<long long> g_heapNow{0}, g_heapPeak{0};

void Count(long long delta) {
    const long long now = g_heapNow += delta;
    long long peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
}

} // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n + 16);
    if (p == nullptr)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = n;
    Count(static_cast<long long>(n));
    return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
    if (p == nullptr)
        return;
    char* base = static_cast<char*>(p) - 16;
    Count(-static_cast<long long>(*reinterpret_cast<std::size_t*>(base)));
    std::free(base);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

namespace fs = std::filesystem;

long ReadStatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, std::strlen(key), key) == 0)
            return std::atol(line.c_str() + std::strlen(key) + 1);
    return -1;
}

void ResetPeakRss() {
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
}

class FdSource : public backup::ByteSource {
public:
    explicit FdSource(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
        if (fd_ < 0)
            throw rt::EFOpenError(path);
    }
    ~FdSource() override { ::close(fd_); }
    std::size_t Read(void* buf, std::size_t n) override {
        std::size_t got = 0;
        while (got < n) {
            const ssize_t r = ::read(fd_, static_cast<char*>(buf) + got, n - got);
            if (r <= 0)
                break;
            got += static_cast<std::size_t>(r);
        }
        return got;
    }
    bool Skip(std::size_t n) override { return ::lseek(fd_, static_cast<off_t>(n), SEEK_CUR) >= 0; }

private:
    int fd_;
};

class FdOutput : public backup::OutputFile {
public:
    FdOutput(const std::string& path, bool append)
        : fd_(::open(path.c_str(), append ? (O_WRONLY | O_APPEND) : (O_WRONLY | O_CREAT | O_TRUNC),
                     0644)) {
        if (fd_ < 0)
            throw rt::EFCreateError(path);
    }
    ~FdOutput() override { ::close(fd_); }
    void Write(const void* d, std::size_t n) override {
        if (::write(fd_, d, n) != static_cast<ssize_t>(n))
            throw rt::EWriteError("write");
    }
    void SetDateTime(std::int32_t) override {}

private:
    int fd_;
};

// Maps the run's Windows paths (X:\a\b) below a local directory.
class PosixHost : public backup::RestoreHost {
public:
    explicit PosixHost(std::string base) : base_(std::move(base)) {}
    std::string Local(const std::string& p) const {
        std::string s = p.size() > 3 ? p.substr(3) : std::string();
        for (char& c : s)
            if (c == '\\')
                c = '/';
        return base_ + "/" + s;
    }
    bool FileExists(const std::string& p) override { return fs::is_regular_file(Local(p)); }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& p) override {
        return std::make_unique<FdSource>(Local(p));
    }
    std::optional<std::int32_t> FileAge(const std::string&) override { return std::nullopt; }
    bool ForceDirectories(const std::string& d) override {
        std::error_code ec;
        fs::create_directories(Local(d), ec);
        return fs::is_directory(Local(d));
    }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string& p) override {
        if (discard)
            return std::make_unique<bench::NullOutput>();
        return std::make_unique<FdOutput>(Local(p), false);
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string& p) override {
        if (discard)
            return std::make_unique<bench::NullOutput>();
        return std::make_unique<FdOutput>(Local(p), true);
    }
    bool discard = false; // measure the run without the file system's write cost
    void ProcessMessages() override {}
    void Progress(const std::string&, int percent, bool&) override { lastPercent = percent; }
    void NeedDisk(const std::string&, bool&) override { ++disks; }
    void RestoreFile(std::string&, std::int32_t, bool&) override {}
    void FileRestored(std::string&, std::unique_ptr<backup::OutputFile>&) override {}
    void ReportError(int code, const std::string&) override { errors = code; }
    int lastPercent = -1, disks = 0, errors = 0;

private:
    std::string base_;
};

// The bare loop: the same volumes, blocks read and inflated into one buffer.
std::int64_t BareLoop(const std::string& first) {
    std::int64_t produced = 0;
    std::string path = first;
    FdSource* src = new FdSource(path);
    auto rd = [&](void* b, std::size_t n) {
        if (src->Read(b, n) != n)
            std::abort();
    };
    auto i32 = [&] {
        std::int32_t v;
        rd(&v, 4);
        return v;
    };
    static unsigned char in[backup::kBlockSize], out[backup::kBlockSize];
    auto section = [&] {
        rd(in, 4);
        for (std::int32_t b; (b = i32()) != 0;) {
            const std::size_t len = static_cast<std::size_t>(b > 0 ? b : -b);
            rd(in, len);
            if (b < 0) {
                produced += static_cast<std::int64_t>(len);
                continue;
            }
            z_stream zs{};
            inflateInit_(&zs, "1.1.3", sizeof zs);
            zs.next_in = in;
            zs.avail_in = static_cast<uInt>(len);
            zs.next_out = out;
            zs.avail_out = sizeof out;
            if (inflate(&zs, Z_NO_FLUSH) != Z_STREAM_END)
                std::abort();
            produced += static_cast<std::int64_t>(zs.total_out);
            inflateEnd(&zs);
        }
    };
    const std::int32_t h = i32();
    src->Skip(static_cast<std::size_t>(h) + 8);
    std::string name;
    for (std::int32_t n; (n = i32()) != 0;) {
        name.resize(static_cast<std::size_t>(n));
        rd(name.data(), name.size());
        if (name.starts_with(backup::kVolumeMarker)) {
            delete src;
            path = backup::VolumeName(path, name.substr(backup::kVolumeMarker.size(), 3));
            src = new FdSource(path);
            section();
            continue;
        }
        i32();
        section();
    }
    delete src;
    return produced;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 64;
    const std::size_t total = mib << 20;
    // KVRBENCH_DIR chooses where archive and restored files go (default: the temp directory).
    const char* where = std::getenv("KVRBENCH_DIR");
    const fs::path dir = (where ? fs::path(where) : fs::temp_directory_path()) /
                         ("kvrbench-" + std::to_string(::getpid()));
    fs::create_directories(dir / "out");

    std::size_t volumeCount = 0;
    {
        const auto vols = bench::PackPayload(total, 0);
        volumeCount = vols.size();
        for (std::size_t i = 0; i < vols.size(); ++i) {
            std::ofstream f(backup::VolumeFile((dir / "Kelvar5.kvr").string(), i),
                            std::ios::binary);
            f.write(vols[i].data(), static_cast<std::streamsize>(vols[i].size()));
        }
    }
    const std::string first = (dir / "Kelvar5.kvr").string();

    // Heap and resident-set peaks of one restore with writes, in its own pass.
    PosixHost host(dir.string());
    const auto expected = static_cast<std::int64_t>(total / 8 * 8);
    bool ok = true;
    auto restore = [&] {
        backup::RunState st;
        backup::RestoreSettings set;
        set.fullPath = true;
        ok = backup::Restore(set, st, host, "K:\\Kelvar5.kvr", "K:\\out", nullptr) && ok &&
             host.errors == 0 && st.done == expected;
    };
    ResetPeakRss();
    const long rssBefore = ReadStatusKb("VmRSS:");
    const long long heapBase = g_heapNow.load();
    g_heapPeak = heapBase;
    restore();
    const long long heapPeak = g_heapPeak.load() - heapBase;
    const long rssPeak = ReadStatusKb("VmHWM:") - rssBefore;

    // Without writes on either side: the bare loop has none (bench_restore.sh
    // under Wine measures the pair with writes).
    bench::Contender bare{"bare read+inflate loop (floor)",
                          [&] { ok = BareLoop(first) == expected && ok; }};
    bench::Contender dropped{"restore, output dropped", [&] {
                                 host.discard = true;
                                 restore();
                                 host.discard = false;
                             }};
    std::printf("payload %zu MiB in 8 files, %zu volumes of at most 8 MiB, in %s; one warm-up "
                "round each, then 5 rounds interleaved\n",
                mib, volumeCount, dir.parent_path().c_str());
    bench::Interleave({&dropped, &bare}, 5);
    if (!ok) {
        std::fprintf(stderr, "a run did not restore the payload (error %d)\n", host.errors);
        return 1;
    }
    const double mb = static_cast<double>(total) / (1 << 20);
    std::printf("  at the minimums: bare %.1f MiB/s, restore %.1f MiB/s\n", mb / bare.Min(),
                mb / dropped.Min());
    std::printf("restore peak heap  %8lld bytes (operator new during the run)\n", heapPeak);
    std::printf("restore peak RSS   %8ld KiB above the RSS before the run\n", rssPeak);
    std::printf("native_restore_ratio_nowrite=%.3f\n", bare.Min() / dropped.Min());
    std::printf("restore_peak_heap_bytes=%lld\n", heapPeak);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
