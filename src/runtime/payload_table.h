#pragma once
// The table of the installer folder's packed files that Setup.exe carries in
// its own signed image: name, size and SHA-256 of each. The signature covers
// Setup.exe alone; with the table it covers every file the run unpacks, so a
// file planted or changed beside Setup.exe is refused before it is used.
//
// Setup.exe reserves a fixed room for the table (kPayloadTableRoom bytes);
// tools/payload_table writes the table's text into it, zero bytes after it:
//
//   KELVAR-PAYLOAD 1
//   <SHA-256, 64 lower-case hex digits> <size, decimal> <name>
//   ...
//   END <number of entries>
//
// every line ended by one LF. A room of zero bytes only is the build's
// placeholder: no table bound.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

namespace rt {

using Sha256 = std::array<std::uint8_t, 32>;

inline constexpr std::size_t kPayloadTableRoom = 32768;
// A plain file name of a packed file; longer ones do not occur.
inline constexpr std::size_t kPayloadNameMax = 255;
// Sizes are written with at most 19 digits.
inline constexpr std::uint64_t kPayloadSizeMax = 9'999'999'999'999'999'999ull;

struct PayloadEntry {
    std::string name;
    std::uint64_t size = 0;
    Sha256 sha256{};
    bool operator==(const PayloadEntry&) const = default;
};

struct PayloadTable {
    std::vector<PayloadEntry> entries;
    // The entry of that name, letters A-Z compared without case as Windows
    // compares file names; null when there is none.
    const PayloadEntry* Find(std::string_view name) const;
    bool operator==(const PayloadTable&) const = default;
};

enum class PayloadTableError {
    None,
    NoRoom,        // the program has no room for a table at all
    Unbound,       // the room holds zero bytes only: the build's placeholder
    BadHeader,     // the first line is not "KELVAR-PAYLOAD 1"
    BadLine,       // a line without its three fields, or without its LF
    BadHash,       // not 64 lower-case hex digits
    BadSize,       // not a decimal number of at most 19 digits
    BadName,       // empty, too long, a path, a control character or a wildcard
    DuplicateName, // twice, letters A-Z compared without case
    BadEnd,        // no END line, or its count differs from the entries
    TrailingBytes, // something other than zero bytes after the END line
};

struct PayloadTableResult {
    PayloadTable table; // empty unless ok()
    PayloadTableError error = PayloadTableError::None;
    std::size_t line = 0; // where the error was found, counted from 1
    bool ok() const { return error == PayloadTableError::None; }
    // "line 3: size is not a decimal number", for tools and logs.
    std::string Message() const;
};

// Reads the room's bytes (the whole room, or the text alone).
PayloadTableResult ParsePayloadTable(std::string_view room);

// The table's text as the room holds it (without the zero bytes); throws
// std::invalid_argument when an entry's name could not be read back.
std::string FormatPayloadTable(const PayloadTable& table);

// Whether a name may stand in the table: a plain file name.
bool IsPayloadName(std::string_view name);

// The files of an installer folder that the table covers: every *.kvr
// (Kvrinf.kvr among them) and every continuation volume *.NNN (three digits).
bool IsPayloadFile(std::string_view name);

std::string ToHex(const Sha256& hash);

// --- The check of one file against the table --------------------------------

enum class Verdict { Ok, NotInTable, SizeDiffers, HashDiffers, Unreadable };

const char* VerdictName(Verdict v);

// Size and SHA-256 of a file, from the platform.
class FileDigests {
public:
    virtual ~FileDigests() = default;
    // False when the file cannot be opened or read.
    virtual bool Size(const std::string& path, std::uint64_t& size) = 0;
    // The hash of the whole file and the number of bytes it covers.
    virtual bool Hash(const std::string& path, std::uint64_t& bytes, Sha256& hash) = 0;
};

// Size and hash of one file as they were taken while it was written, by a
// copy that hashed its bytes on the way: the check of that copy without
// reading it again. Any other path is unreadable here.
class RecordedDigest final : public FileDigests {
public:
    RecordedDigest(std::string path, std::uint64_t bytes, const Sha256& hash)
        : path_(std::move(path)), bytes_(bytes), hash_(hash) {}
    bool Size(const std::string& path, std::uint64_t& size) override;
    bool Hash(const std::string& path, std::uint64_t& bytes, Sha256& hash) override;

private:
    std::string path_;
    std::uint64_t bytes_;
    Sha256 hash_;
};

// Checks the file at path as the table's entry `name`. The size is compared
// first, so a file of another size is not read through. An empty table
// accepts nothing. Check the copy that the run will use, in a folder only
// administrators may change, so that nothing can swap it after the check.
Verdict Check(const PayloadTable& table, std::string_view name, const std::string& path,
              FileDigests& host);

} // namespace rt
