// Restore under Wine with writes on both sides: TBackupFile restoring a
// payload of five volumes into real files, against a bare loop that reads the
// same volumes with ReadFile, inflates the same blocks and writes the same
// files with WriteFile. The same pair without writes gives the run's own cost.
//   bench_restore_win <work dir> [MiB (default 64)] [rounds]
//   bench_restore_win --bare-install <from dir> <to dir> <packed file>...
// Ends with name=value lines.
#include "backup/backup_file.h"
#include "payload.h"
#include "rounds.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>
#include <zlib.h>

namespace {

class File {
public:
    explicit File(HANDLE h) : h_(h) {}
    ~File() {
        if (h_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(h_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bare loop: %s failed\n", what);
    std::exit(1);
}

// The floor: the archive's own walk over volumes and blocks, nothing else.
// writeTo empty: blocks are inflated and dropped.
std::int64_t BareLoop(const std::string& first, const std::string& writeTo) {
    std::int64_t produced = 0;
    std::string path = first;
    auto open = [](const std::string& p) {
        auto f = std::make_unique<File>(::CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                      nullptr, OPEN_EXISTING, 0, nullptr));
        if (f->get() == INVALID_HANDLE_VALUE)
            Fail("CreateFileA");
        return f;
    };
    std::unique_ptr<File> src = open(path), out;
    auto rd = [&](void* b, DWORD n) {
        DWORD got = 0;
        if (!::ReadFile(src->get(), b, n, &got, nullptr) || got != n)
            Fail("ReadFile");
    };
    auto wr = [&](const void* b, DWORD n) {
        DWORD put = 0;
        if (out && (!::WriteFile(out->get(), b, n, &put, nullptr) || put != n))
            Fail("WriteFile");
    };
    auto i32 = [&] {
        std::int32_t v;
        rd(&v, 4);
        return v;
    };
    static unsigned char in[backup::kBlockSize], buf[backup::kBlockSize];
    z_stream zs{};
    inflateInit(&zs);
    auto section = [&] {
        rd(in, 4);
        for (std::int32_t b; (b = i32()) != 0;) {
            const DWORD len = static_cast<DWORD>(b > 0 ? b : -b);
            rd(in, len);
            if (b < 0) {
                wr(in, len);
                produced += len;
                continue;
            }
            inflateReset(&zs);
            zs.next_in = in;
            zs.avail_in = len;
            zs.next_out = buf;
            zs.avail_out = sizeof buf;
            if (inflate(&zs, Z_FINISH) != Z_STREAM_END)
                Fail("inflate");
            wr(buf, static_cast<DWORD>(zs.total_out));
            produced += static_cast<std::int64_t>(zs.total_out);
        }
    };
    src->get();
    const std::int32_t h = i32();
    LARGE_INTEGER skip{};
    skip.QuadPart = h + 8;
    ::SetFilePointerEx(src->get(), skip, nullptr, FILE_CURRENT);
    std::string name;
    for (std::int32_t n; (n = i32()) != 0;) {
        name.resize(static_cast<std::size_t>(n));
        rd(name.data(), static_cast<DWORD>(n));
        if (name.compare(0, backup::kVolumeMarker.size(), backup::kVolumeMarker) == 0) {
            // the file goes on in the next volume
            path = backup::VolumeName(path, name.substr(backup::kVolumeMarker.size(), 3));
            src = open(path);
            section();
            continue;
        }
        i32();
        if (!writeTo.empty()) {
            out.reset();
            out = std::make_unique<File>(
                ::CreateFileA((writeTo + "\\" + backup::PlainName(name)).c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (out->get() == INVALID_HANDLE_VALUE)
                Fail("CreateFileA for writing");
        }
        section();
    }
    inflateEnd(&zs);
    return produced;
}

// The component's run with its Win32 volumes, its output dropped.
class NoWriteHost : public backup::RestoreHost {
public:
    bool FileExists(const std::string& p) override {
        const DWORD a = ::GetFileAttributesA(p.c_str());
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& p) override {
        return std::make_unique<TFileSource>(p);
    }
    std::optional<std::int32_t> FileAge(const std::string&) override { return std::nullopt; }
    bool ForceDirectories(const std::string&) override { return true; }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string&) override {
        return std::make_unique<bench::NullOutput>();
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string&) override {
        return std::make_unique<bench::NullOutput>();
    }
    void ProcessMessages() override {}
    void Progress(const std::string&, int, bool&) override {}
    void NeedDisk(const std::string&, bool&) override {}
    void RestoreFile(std::string&, std::int32_t, bool&) override {}
    void FileRestored(std::string&, std::unique_ptr<backup::OutputFile>&) override {}
    void ReportError(int code, const std::string&) override { error = code; }
    int error = 0;
};

// What an installation does with its packed files, done bare: each is copied
// with CopyFileA into a temporary folder and restored from there into the
// target by the bare loop. Prints the seconds it took.
int BareInstall(int argc, char** argv) {
    const std::string src = argv[2], dest = argv[3], tmp = dest + "\\baretmp";
    ::CreateDirectoryA(dest.c_str(), nullptr);
    ::CreateDirectoryA(tmp.c_str(), nullptr);
    const double seconds = bench::Time([&] {
        for (int i = 4; i < argc; ++i) {
            const std::string from = src + "\\" + argv[i], to = tmp + "\\" + argv[i];
            if (!::CopyFileA(from.c_str(), to.c_str(), FALSE))
                Fail("CopyFileA");
            BareLoop(to, dest);
            ::DeleteFileA(to.c_str());
        }
    });
    ::RemoveDirectoryA(tmp.c_str());
    std::printf("bare_install_s=%.3f\n", seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 4 && std::string(argv[1]) == "--bare-install")
        return BareInstall(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_restore_win <work dir> [MiB] [rounds]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::size_t mib = argc > 2 ? static_cast<std::size_t>(std::atol(argv[2])) : 64;
    const int rounds = std::max(5, argc > 3 ? std::atoi(argv[3]) : 5);
    const std::int64_t total = static_cast<std::int64_t>(mib) << 20;
    const std::string first = dir + "\\Kelvar5.kvr", bareOut = dir + "\\bare",
                      compOut = dir + "\\component";
    ::CreateDirectoryA(bareOut.c_str(), nullptr);
    ::CreateDirectoryA(compOut.c_str(), nullptr);
    const auto vols = bench::PackPayload(static_cast<std::size_t>(total), 5);
    for (std::size_t i = 0; i < vols.size(); ++i) {
        File f(::CreateFileA(backup::VolumeFile(first, i).c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, 0, nullptr));
        DWORD put = 0;
        ::WriteFile(f.get(), vols[i].data(), static_cast<DWORD>(vols[i].size()), &put, nullptr);
    }

    bool ok = true;
    auto check = [&](bool good, const char* who) {
        if (!good && ok)
            std::fprintf(stderr, "%s did not restore the payload\n", who);
        ok = ok && good;
    };
    bench::Contender bare{"bare ReadFile/inflate/WriteFile loop (floor)",
                          [&] { check(BareLoop(first, bareOut) == total, "bare loop"); }};
    bench::Contender comp{"TBackupFile.Restore", [&] {
                              TBackupFile b;
                              // The next volume lies beside the first: no prompt.
                              b.OnNeedDisk = [](TBackupFile*, std::uint16_t, bool& cont) {
                                  cont = true;
                              };
                              check(b.Restore(first, compOut) && b.ErrorCode() == 0, "TBackupFile");
                          }};
    bench::Contender bareN{"bare loop, no writes (floor)",
                           [&] { check(BareLoop(first, "") == total, "bare loop"); }};
    // The component's decoding run on Win32 volumes, output dropped, no window.
    bench::Contender compN{"restore run, output dropped", [&] {
                               NoWriteHost host;
                               backup::RunState st;
                               check(backup::Restore({}, st, host, first, compOut, nullptr) &&
                                         host.error == 0 && st.done == total,
                                     "restore run");
                           }};
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    std::printf("payload %zu MiB in 8 files, %zu volumes; %lu processors; one warm-up round each, "
                "then %d rounds interleaved\n",
                mib, vols.size(), si.dwNumberOfProcessors, rounds);
    bench::Interleave({&comp, &bare, &compN, &bareN}, rounds);
    const double mb = static_cast<double>(mib);
    std::printf("  throughput at the minimums: bare %.1f MiB/s, component %.1f MiB/s; without "
                "writes bare %.1f, component %.1f MiB/s\n",
                mb / bare.Min(), mb / comp.Min(), mb / bareN.Min(), mb / compN.Min());
    const double ratio = bare.Min() / comp.Min(), ratioN = bareN.Min() / compN.Min();
    // A minimum a few per cent under the floor's is the machine's noise (the
    // medians say how much there is); more would mean the floor does too much.
    for (const auto* pair : {&bare, &bareN}) {
        const bench::Contender& product = pair == &bare ? comp : compN;
        if (product.Min() < pair->Min())
            std::printf("  %s beat its floor by %.1f%% at the minimum (medians %.3f against "
                        "%.3f s): %s\n",
                        product.name.c_str(), 100 * (1 - product.Min() / pair->Min()),
                        product.Median(), pair->Median(),
                        product.Min() > 0.95 * pair->Min() ? "within the noise of this machine"
                                                           : "the floor is wrong, look at it");
    }
    std::printf("restore_ratio=%.3f\n", ratio);
    std::printf("restore_ratio_nowrite=%.3f\n", ratioN);
    return ok ? 0 : 1;
}
