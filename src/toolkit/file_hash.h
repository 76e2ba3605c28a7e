#pragma once
// Size and SHA-256 of a file from the platform: CNG, whose bcrypt.dll is no
// KnownDLL and comes from the system directory at run time (tk::SystemFunction).
#include "runtime/payload_table.h"
#include <cstdint>
#include <string>

namespace tk {

// The SHA-256 of the whole file and the number of bytes it covers. The file
// is opened with read sharing only, so no one can write to it while it is
// hashed, and read in large pieces. False when it cannot be opened or read or
// CNG is missing; GetLastError() then tells why (a CNG status for CNG).
bool FileSha256(const std::string& path, std::uint64_t& bytes, rt::Sha256& hash);

// Copies from to to (an existing file is replaced) and hashes the bytes on
// their way, so that a big file is read once and its hash costs little
// beyond the copy: what FileSha256 would say of the copy just made. The copy
// is shared for reading only while it is written. False when a side cannot be
// opened, read or written, or CNG is missing; no part of the copy is left.
bool CopyFileSha256(const std::string& from, const std::string& to, std::uint64_t& bytes,
                    rt::Sha256& hash);

// The size of a file; false when there is none.
bool FileSize(const std::string& path, std::uint64_t& size);

// The platform's side of rt::Check. With pumping set, each hash runs while the
// window thread handles messages (tk::WhilePumping): hashing a packed file of
// some hundred MB takes seconds.
class PlatformDigests final : public rt::FileDigests {
public:
    explicit PlatformDigests(bool pumping = false) : pumping_(pumping) {}
    bool Size(const std::string& path, std::uint64_t& size) override;
    bool Hash(const std::string& path, std::uint64_t& bytes, rt::Sha256& hash) override;

private:
    bool pumping_;
};

} // namespace tk
