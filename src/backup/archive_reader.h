#pragma once
// The packed archive (.kvr): its reader and the restore run, free of Windows.
// The component TBackupFile (backup_file.h) supplies the platform through
// RestoreHost; tests, the fuzzer and the benchmark supply their own.
#include "backup/format.h"
#include "runtime/errors.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace backup {

// The archive name that makes a run read from the caller's stream.
inline constexpr std::string_view kStreamSource = ":STREAM";

enum TRestoreMode : std::uint8_t { rmAll, rmNoOverwrite, rmNewer, rmExisting, rmExistingNewer };

// A damaged or foreign archive ("Ungültiger Archiv-Typ").
class EInvalidArchive : public rt::Exception {
public:
    EInvalidArchive();
};

// A forward-only source of archive bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes; fewer only at the end of the data.
    virtual std::size_t Read(void* buf, std::size_t n) = 0;
    // Moves on by n bytes without reading them; false when that passes the end.
    virtual bool Skip(std::size_t n) = 0;
};

// Reads from a byte range owned by the caller.
class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    explicit MemorySource(std::string_view bytes) : MemorySource(bytes.data(), bytes.size()) {}
    // The bytes must outlive the source.
    explicit MemorySource(std::string&&) = delete;
    std::size_t Read(void* buf, std::size_t n) override;
    bool Skip(std::size_t n) override;
    std::size_t Position() const { return pos_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Short reads raise the runtime's read error ("Stream-Read-Fehler").
void ReadExact(ByteSource& src, void* buf, std::size_t n);
std::int32_t ReadInt32(ByteSource& src);
void SkipExact(ByteSource& src, std::size_t n);

struct Header {
    std::int32_t total = 0;
    std::int32_t value = 0;
};
// Header text (passed over), total size, header value. Raises on a short read
// or a negative text length.
Header ReadHeader(ByteSource& src);

struct Inflater;
// The two fixed buffers of a run, payload in and content out, and the zlib
// stream that decodes its blocks, set up at the first compressed block.
struct BlockBuffers {
    BlockBuffers();
    ~BlockBuffers();
    BlockBuffers(const BlockBuffers&) = delete;
    BlockBuffers& operator=(const BlockBuffers&) = delete;
    unsigned char in[kBlockSize];
    unsigned char out[kBlockSize];
    std::unique_ptr<Inflater> inflater;
};

struct InflateResult {
    std::size_t produced = 0; // bytes of content in BlockBuffers::out
    bool ok = false;          // false: a compression error (code 6)
};
// Decompresses the compressed payload of len bytes in buf.in as a zlib stream
// of its own. Succeeds only when the stream ends exactly at the block's end and its
// content fits in buf.out; a stream that needs a preset dictionary fails.
InflateResult InflateBlock(BlockBuffers& buf, std::size_t len);

// Where restored content goes.
class OutputFile {
public:
    virtual ~OutputFile() = default; // closes
    // Writes all n bytes or raises.
    virtual void Write(const void* data, std::size_t n) = 0;
    // Sets the last-modification time from an MS-DOS packed local date-time.
    virtual void SetDateTime(std::int32_t dosDateTime) = 0;
    // The file is complete. Closing may take a while (a big file's data handed
    // on to the disk): this is where an output does it without blocking.
    virtual void Close() {}
};

// What a restore run needs from the platform, the events and the user.
class RestoreHost {
public:
    virtual ~RestoreHost() = default;
    // A file (not a directory) exists at path.
    virtual bool FileExists(const std::string& path) = 0;
    // Opens an archive volume for reading; raises rt::EFOpenError.
    virtual std::unique_ptr<ByteSource> OpenSource(const std::string& path) = 0;
    // The packed local last-modification time of an existing file; none for a
    // missing path or a directory.
    virtual std::optional<std::int32_t> FileAge(const std::string& path) = 0;
    // Creates dir with its missing parents; true when dir exists afterwards.
    virtual bool ForceDirectories(const std::string& dir) = 0;
    // Creates path anew, opened exclusively; raises on failure.
    virtual std::unique_ptr<OutputFile> CreateOutput(const std::string& path) = 0;
    // Opens an existing file exclusively, positioned at its end; raises rt::EFOpenError.
    virtual std::unique_ptr<OutputFile> OpenForAppend(const std::string& path) = 0;
    virtual void ProcessMessages() = 0;

    // Events; each falls back to the component's own behaviour.
    virtual void Progress(const std::string& filename, int percent, bool& cont) = 0;
    // Asks for the volume of disk (leading zeros removed); cont false cancels.
    virtual void NeedDisk(const std::string& disk, bool& cont) = 0;
    virtual void RestoreFile(std::string& filename, std::int32_t fa, bool& doRestore) = 0;
    virtual void FileRestored(std::string& filename, std::unique_ptr<OutputFile>& out) = 0;
    virtual void ReportError(int code, const std::string& text) = 0;
};

struct RestoreSettings {
    TRestoreMode mode = rmAll;
    bool fullPath = false;
};

// The run state that the component keeps between the steps of a run.
struct RunState {
    std::string currentFile;
    bool cont = false;
    int errorCode = 0;
    std::int32_t total = 0;
    std::int64_t done = 0;
};

// One restore run. archiveFile is the first volume's path, or ":STREAM" to read
// from sourceStream. True when the run ends with no error code and not cancelled.
// Structural faults are raised; every file the run opened is closed by then.
bool Restore(const RestoreSettings& settings, RunState& state, RestoreHost& host,
             std::string archiveFile, std::string destDir, ByteSource* sourceStream);

// --- Pieces of the run, exposed for tests ---------------------------------

// The text of an error code, empty outside 1 to 7.
std::string ErrorText(int code);
// done / total * 100, rounded to the nearest integer, halves to even; 100 when
// total is not positive; not clamped to 100.
int Percent(std::int64_t done, std::int32_t total);
// The restore decision of a mode, from the existing file's age (none: no file).
bool DecideRestore(TRestoreMode mode, std::optional<std::int32_t> age, std::int32_t stored);
// The part of a stored name after its last '\' or ':'.
std::string PlainName(std::string_view stored);
// The target of a stored name; empty when the name would leave destDir, name a
// device or is otherwise unusable. destDir ends with '\' or is empty.
std::optional<std::string> TargetPath(std::string_view stored, const std::string& destDir,
                                      bool fullPath);
// The directory part of a path (before its last '\' or ':', keeping a root's
// backslash). Raises "Das Verzeichnis kann nicht erstellt werden" when there is none.
std::string DirectoryPart(const std::string& path);
// "002" -> "2", "010" -> "10", "000" -> "".
std::string StripLeadingZeros(std::string_view digits);

} // namespace backup
