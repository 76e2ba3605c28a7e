// The check's cost: the SHA-256 of a packed file by CNG (tk::FileSha256, a
// read of its own) and the copy that hashes on the way (tk::CopyFileSha256,
// as the run copies into its temporary folder), against the bare copy of the
// same file (CopyFileExA). Under Wine, interleaved rounds after a warm-up,
// min and median.
//   bench_hash_win <work dir> [MiB (default 300)] [rounds (default 5)]
// Ends with name=value lines.
#include "bench/rounds.h"
#include "toolkit/file_hash.h"
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>
#include <windows.h>

namespace {

bool WriteNoise(const std::string& path, std::size_t mib) {
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    std::mt19937_64 rnd(5);
    std::vector<std::uint64_t> block((1 << 20) / 8);
    bool ok = true;
    for (std::size_t i = 0; i < mib && ok; ++i) {
        for (auto& w : block)
            w = rnd();
        DWORD written = 0;
        ok = ::WriteFile(f, block.data(), 1 << 20, &written, nullptr) && written == (1u << 20);
    }
    ::CloseHandle(f);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_hash_win <work dir> [MiB] [rounds]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 300;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    const std::string packed = dir + "\\Kelvar5.kvr", copy = dir + "\\copy.kvr";
    if (!WriteNoise(packed, mib)) {
        std::fprintf(stderr, "cannot write %s\n", packed.c_str());
        return 1;
    }
    rt::Sha256 first{};
    bool failed = false;
    bench::Contender hash("SHA-256 by CNG (tk::FileSha256)", [&] {
        std::uint64_t bytes = 0;
        rt::Sha256 h{};
        if (!tk::FileSha256(packed, bytes, h) || bytes != (std::uint64_t{mib} << 20))
            failed = true;
        if (first == rt::Sha256{})
            first = h;
        else if (h != first)
            failed = true;
    });
    bench::Contender bare("bare copy (CopyFileExA, as the run copies)", [&] {
        if (!::CopyFileExA(packed.c_str(), copy.c_str(), nullptr, nullptr, nullptr, 0))
            failed = true;
    });
    bench::Contender copyHash("copy hashing on the way (tk::CopyFileSha256)", [&] {
        std::uint64_t bytes = 0;
        rt::Sha256 h{};
        if (!tk::CopyFileSha256(packed, copy, bytes, h) || bytes != (std::uint64_t{mib} << 20))
            failed = true;
        if (first != rt::Sha256{} && h != first)
            failed = true;
    });
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    std::printf("file %zu MiB of noise; %lu processors; one warm-up round each, then %d rounds\n",
                mib, static_cast<unsigned long>(info.dwNumberOfProcessors), rounds);
    bench::Interleave({&hash, &copyHash, &bare}, rounds);
    ::DeleteFileA(copy.c_str());
    ::DeleteFileA(packed.c_str());
    if (failed) {
        std::fprintf(stderr, "a hash or a copy failed, or two hashes differed\n");
        return 1;
    }
    const double mibf = static_cast<double>(mib);
    std::printf("  throughput at the minimums: hash %.0f MiB/s, copy %.0f MiB/s\n",
                mibf / hash.Min(), mibf / bare.Min());
    std::printf("hash_s=%.3f\n", hash.Min());
    std::printf("hash_median_s=%.3f\n", hash.Median());
    std::printf("copy_s=%.3f\n", bare.Min());
    std::printf("copy_median_s=%.3f\n", bare.Median());
    std::printf("hash_mib_per_s=%.0f\n", mibf / hash.Min());
    std::printf("hash_to_copy_ratio=%.3f\n", hash.Min() / bare.Min());
    std::printf("copy_hash_s=%.3f\n", copyHash.Min());
    std::printf("copy_hash_median_s=%.3f\n", copyHash.Median());
    // What the check adds to the copy the run makes anyway, before and now.
    std::printf("check_cost_separate_s=%.3f\n", hash.Min());
    std::printf("check_cost_on_the_way_s=%.3f\n", copyHash.Min() - bare.Min());
    return 0;
}
