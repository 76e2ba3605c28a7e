#include "toolkit/file_hash.h"
#include "toolkit/app.h"
#include "toolkit/handles.h"
#include "toolkit/system_dll.h"
#include <memory>
#include <utility>
#include <vector>
#include <windows.h>
#include <bcrypt.h>

namespace tk {

namespace {

constexpr SystemFunction<decltype(::BCryptOpenAlgorithmProvider)>
    kOpenAlgorithm("bcrypt.dll", "BCryptOpenAlgorithmProvider");
constexpr SystemFunction<decltype(::BCryptCloseAlgorithmProvider)>
    kCloseAlgorithm("bcrypt.dll", "BCryptCloseAlgorithmProvider");
constexpr SystemFunction<decltype(::BCryptCreateHash)> kCreateHash("bcrypt.dll",
                                                                   "BCryptCreateHash");
constexpr SystemFunction<decltype(::BCryptHashData)> kHashData("bcrypt.dll", "BCryptHashData");
constexpr SystemFunction<decltype(::BCryptFinishHash)> kFinishHash("bcrypt.dll",
                                                                   "BCryptFinishHash");
constexpr SystemFunction<decltype(::BCryptDestroyHash)> kDestroyHash("bcrypt.dll",
                                                                     "BCryptDestroyHash");

// Large pieces: few calls for a file of some hundred MB, and a buffer that
// stays small beside the program.
constexpr DWORD kChunk = 1 << 20;

struct AlgorithmTraits {
    static constexpr bool kGdi = false;
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept {
        if (const auto close = kCloseAlgorithm.Find())
            close(h, 0);
    }
};
struct HashTraits {
    static constexpr bool kGdi = false;
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept {
        if (const auto destroy = kDestroyHash.Find())
            destroy(h);
    }
};

bool Failed(NTSTATUS status) {
    if (status >= 0)
        return false;
    ::SetLastError(static_cast<DWORD>(status));
    return true;
}

} // namespace

bool FileSha256(const std::string& path, std::uint64_t& bytes, rt::Sha256& hash) {
    const auto open = kOpenAlgorithm.Find();
    const auto create = kCreateHash.Find();
    const auto data = kHashData.Find();
    const auto finish = kFinishHash.Find();
    if (!open || !create || !data || !finish) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    // Read sharing only: a writer can neither open the file now nor hold it open.
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    UniqueHandle<AlgorithmTraits> algorithm;
    if (Failed(open(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    UniqueHandle<HashTraits> state;
    if (Failed(create(algorithm.get(), state.put(), nullptr, 0, nullptr, 0, 0)))
        return false;
    const std::unique_ptr<UCHAR[]> buffer(new UCHAR[kChunk]);
    bytes = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.get(), kChunk, &got, nullptr))
            return false;
        if (got == 0)
            break;
        if (Failed(data(state.get(), buffer.get(), got, 0)))
            return false;
        bytes += got;
    }
    return !Failed(finish(state.get(), hash.data(), static_cast<ULONG>(hash.size()), 0));
}

bool FileSize(const std::string& path, std::uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return true;
}

bool PlatformDigests::Size(const std::string& path, std::uint64_t& size) {
    return FileSize(path, size);
}

bool PlatformDigests::Hash(const std::string& path, std::uint64_t& bytes, rt::Sha256& hash) {
    if (!pumping_)
        return FileSha256(path, bytes, hash);
    return WhilePumping([&] { return FileSha256(path, bytes, hash); });
}

} // namespace tk
