#include "toolkit/file_hash.h"
#include "toolkit/app.h"
#include "toolkit/handles.h"
#include "toolkit/system_dll.h"
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
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

// One SHA-256 computation by CNG.
class Sha256State {
public:
    // False when CNG is missing or refuses; GetLastError() tells why.
    bool Open() {
        open_ = kOpenAlgorithm.Find();
        const auto create = kCreateHash.Find();
        data_ = kHashData.Find();
        finish_ = kFinishHash.Find();
        if (!open_ || !create || !data_ || !finish_) {
            ::SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        return !Failed(open_(algorithm_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
               !Failed(create(algorithm_.get(), state_.put(), nullptr, 0, nullptr, 0, 0));
    }
    bool Add(const UCHAR* bytes, DWORD n) {
        return !Failed(data_(state_.get(), const_cast<UCHAR*>(bytes), n, 0));
    }
    bool Finish(rt::Sha256& hash) {
        return !Failed(finish_(state_.get(), hash.data(), static_cast<ULONG>(hash.size()), 0));
    }

private:
    decltype(kOpenAlgorithm.Find()) open_ = nullptr;
    decltype(kHashData.Find()) data_ = nullptr;
    decltype(kFinishHash.Find()) finish_ = nullptr;
    UniqueHandle<AlgorithmTraits> algorithm_;
    UniqueHandle<HashTraits> state_;
};

// The copy's chunks go round a few buffers: the copying thread reads and
// writes one while the hashing thread is still on an earlier one. Under
// Wine's CNG the hash is the slow side (about 120 MiB/s against a copy
// several times faster), so the copy costs no time of its own beside it.
class HashingRing {
public:
    static constexpr std::size_t kBuffers = 4;

    explicit HashingRing(Sha256State& sha) : sha_(sha) {
        for (auto& b : buffers_)
            b.data.reset(new UCHAR[kChunk]);
        hasher_ = std::thread([this] { HashAll(); });
    }
    ~HashingRing() { Finish(); }
    // A free buffer to fill; null when the hasher has failed.
    UCHAR* Free() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return filled_ - hashed_ < kBuffers || failed_; });
        return failed_ ? nullptr : buffers_[filled_ % kBuffers].data.get();
    }
    // The buffer from Free holds n bytes for the hash.
    void Filled(DWORD n) {
        {
            const std::lock_guard lock(mutex_);
            buffers_[filled_ % kBuffers].size = n;
            ++filled_;
        }
        changed_.notify_all();
    }
    // Waits until every filled buffer is hashed; false when a hash call failed.
    bool Finish() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        if (hasher_.joinable())
            hasher_.join();
        return !failed_;
    }

private:
    struct Buffer {
        std::unique_ptr<UCHAR[]> data;
        DWORD size = 0;
    };

    void HashAll() {
        for (;;) {
            Buffer* b;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return hashed_ < filled_ || done_; });
                if (hashed_ == filled_)
                    return;
                b = &buffers_[hashed_ % kBuffers];
            }
            const bool ok = sha_.Add(b->data.get(), b->size);
            {
                const std::lock_guard lock(mutex_);
                ++hashed_;
                failed_ = failed_ || !ok;
            }
            changed_.notify_all();
            if (!ok)
                return;
        }
    }

    Sha256State& sha_;
    std::array<Buffer, kBuffers> buffers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t filled_ = 0, hashed_ = 0;
    bool done_ = false, failed_ = false;
    std::thread hasher_;
};

} // namespace

bool FileSha256(const std::string& path, std::uint64_t& bytes, rt::Sha256& hash) {
    Sha256State sha;
    if (!sha.Open())
        return false;
    // Read sharing only: a writer can neither open the file now nor hold it open.
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    const std::unique_ptr<UCHAR[]> buffer(new UCHAR[kChunk]);
    bytes = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.get(), kChunk, &got, nullptr))
            return false;
        if (got == 0)
            break;
        if (!sha.Add(buffer.get(), got))
            return false;
        bytes += got;
    }
    return sha.Finish(hash);
}

bool CopyFileSha256(const std::string& from, const std::string& to, std::uint64_t& bytes,
                    rt::Sha256& hash) {
    Sha256State sha;
    if (!sha.Open())
        return false;
    FileHandle source(::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source)
        return false;
    // Read sharing only, as for FileSha256: no one writes to the copy while
    // its bytes are hashed on their way in.
    FileHandle copy(::CreateFileA(to.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy)
        return false;
    bool ok = true;
    DWORD error = 0;
    bytes = 0;
    {
        HashingRing ring(sha);
        for (;;) {
            UCHAR* buffer = ring.Free();
            DWORD got = 0, put = 0;
            if (!buffer || !::ReadFile(source.get(), buffer, kChunk, &got, nullptr) ||
                (got && !::WriteFile(copy.get(), buffer, got, &put, nullptr))) {
                ok = false;
                error = buffer ? ::GetLastError() : 0;
                break;
            }
            if (put != got) {
                ok = false;
                error = ERROR_HANDLE_DISK_FULL;
                break;
            }
            if (got == 0)
                break;
            ring.Filled(got);
            bytes += got;
        }
        ok = ring.Finish() && ok;
    }
    if (ok && sha.Finish(hash))
        return true;
    error = error ? error : ::GetLastError();
    // No part of a copy is left behind, as CopyFile leaves none.
    copy.reset();
    ::DeleteFileA(to.c_str());
    ::SetLastError(error);
    return false;
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
