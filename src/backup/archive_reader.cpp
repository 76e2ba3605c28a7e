#include "backup/archive_reader.h"

#include "runtime/strutil.h"
#include "runtime/texts.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include <zlib.h>

namespace backup {

EInvalidArchive::EInvalidArchive() : rt::Exception(txt::ArcInvalidType) {}

std::size_t MemorySource::Read(void* buf, std::size_t n) {
    const std::size_t k = std::min(n, size_ - pos_);
    if (k != 0)
        std::memcpy(buf, data_ + pos_, k);
    pos_ += k;
    return k;
}

bool MemorySource::Skip(std::size_t n) {
    if (n > size_ - pos_) {
        pos_ = size_;
        return false;
    }
    pos_ += n;
    return true;
}

void ReadExact(ByteSource& src, void* buf, std::size_t n) {
    if (src.Read(buf, n) != n)
        throw rt::EReadError(txt::SReadError);
}

std::int32_t ReadInt32(ByteSource& src) {
    unsigned char b[4];
    ReadExact(src, b, 4);
    const std::uint32_t u = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                            std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    return static_cast<std::int32_t>(u);
}

void SkipExact(ByteSource& src, std::size_t n) {
    if (!src.Skip(n))
        throw rt::EReadError(txt::SReadError);
}

namespace {

// A name of up to 2 GiB could be claimed by four bytes; read it in pieces so that
// a damaged length costs no more memory than the archive really holds.
std::string ReadName(ByteSource& src, std::int32_t n) {
    std::string s;
    std::size_t left = static_cast<std::size_t>(n);
    while (left != 0) {
        const std::size_t piece = std::min<std::size_t>(left, 65536);
        const std::size_t at = s.size();
        s.resize(at + piece);
        ReadExact(src, s.data() + at, piece);
        left -= piece;
    }
    return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Windows maps these names to devices whatever the extension or trailing blanks.
bool IsDeviceName(std::string_view component) {
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(), Upper);
    static constexpr const char* kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices)
        if (base == d)
            return true;
    // The superscripts one to three (code page 1252) count as digits here too.
    const auto digit = static_cast<unsigned char>(base.size() == 4 ? base[3] : 0);
    return (StartsWith(base, "COM") || StartsWith(base, "LPT")) &&
           ((digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3);
}

// One path component that stays where it is put: not empty, not only dots and
// blanks ("." and ".." climb), no separator, drive or stream colon, no control
// character, no device.
bool IsSafeComponent(std::string_view c) {
    if (c.empty())
        return false;
    if (std::all_of(c.begin(), c.end(), [](char ch) { return ch == '.' || ch == ' '; }))
        return false;
    for (char ch : c)
        if (ch == '/' || ch == '\\' || ch == ':' || static_cast<unsigned char>(ch) < 32)
            return false;
    return !IsDeviceName(c);
}

// A relative path of components separated by '\'. A '/' (which Windows also
// takes as a separator) is refused with the component that holds it.
bool IsSafeRelativePath(std::string_view p) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t sep = p.find('\\', start);
        if (!IsSafeComponent(p.substr(start, sep - start)))
            return false;
        if (sep == std::string_view::npos)
            return true;
        start = sep + 1;
    }
}

class RestoreSession {
public:
    RestoreSession(const RestoreSettings& settings, RunState& st, RestoreHost& host)
        : settings_(settings), st_(st), host_(host) {}

    bool Execute(std::string archiveFile, std::string destDir, ByteSource* sourceStream);

private:
    void FileEntry(const std::string& name, const std::string& destDir);
    void VolumeMarker(const std::string& name, std::string& archiveFile, bool fromStream);
    void RestoreData(OutputFile* out);
    void Finish(std::unique_ptr<OutputFile>& out);

    const RestoreSettings& settings_;
    RunState& st_;
    RestoreHost& host_;
    std::unique_ptr<ByteSource> owned_; // the open volume, when not the caller's stream
    ByteSource* src_ = nullptr;
    std::unique_ptr<BlockBuffers> buf_ = std::make_unique<BlockBuffers>();
    bool doRestore_ = true;
    bool haveEntry_ = false; // a file entry was read in this run
    std::int32_t date_ = 0;  // date-time of the last file entry
};

bool RestoreSession::Execute(std::string archiveFile, std::string destDir,
                             ByteSource* sourceStream) {
    if (!destDir.empty() && destDir.back() != '\\')
        destDir += '\\';
    st_.errorCode = 0;
    st_.cont = true;

    const bool fromStream = archiveFile == kStreamSource;
    if (!fromStream && !host_.FileExists(archiveFile))
        return false;
    try {
        if (fromStream) {
            if (sourceStream == nullptr)
                throw rt::Exception(txt::ArcCannotRead);
            src_ = sourceStream;
        } else {
            owned_ = host_.OpenSource(archiveFile);
            src_ = owned_.get();
        }
        st_.total = ReadHeader(*src_).total;
    } catch (const std::exception&) {
        owned_.reset();
        throw rt::Exception(txt::ArcCannotRead);
    }
    st_.done = 0;

    while (st_.cont) {
        const std::int32_t n = ReadInt32(*src_);
        if (n == 0)
            break;
        if (n < 0)
            continue;
        const std::string name = ReadName(*src_, n);
        if (StartsWith(name, kVolumeMarker))
            VolumeMarker(name, archiveFile, fromStream);
        else
            FileEntry(name, destDir);
    }

    owned_.reset();
    const bool result = st_.errorCode == 0 && st_.cont;
    host_.Progress("", 100, st_.cont);
    if (st_.errorCode != 0)
        host_.ReportError(st_.errorCode, ErrorText(st_.errorCode));
    return result;
}

void RestoreSession::FileEntry(const std::string& name, const std::string& destDir) {
    date_ = ReadInt32(*src_);
    haveEntry_ = true;
    const bool isList = name == kFileList;
    const std::optional<std::string> target = TargetPath(name, destDir, settings_.fullPath);
    if (isList) {
        // The file list is never written.
        if (target)
            st_.currentFile = *target;
        doRestore_ = false;
        RestoreData(nullptr);
        return;
    }
    if (!target) {
        // A name that would leave the target directory, name a device or has no
        // file part is a file that cannot be created: the run ends here.
        st_.errorCode = 1;
        st_.cont = false;
        doRestore_ = false;
        return;
    }
    st_.currentFile = *target;
    doRestore_ = DecideRestore(settings_.mode, host_.FileAge(st_.currentFile), date_);
    host_.RestoreFile(st_.currentFile, date_, doRestore_);
    if (doRestore_)
        doRestore_ = host_.ForceDirectories(DirectoryPart(st_.currentFile));
    if (!doRestore_) {
        RestoreData(nullptr);
        return;
    }
    std::unique_ptr<OutputFile> out;
    try {
        out = host_.CreateOutput(st_.currentFile);
        RestoreData(out.get());
    } catch (...) {
        st_.errorCode = 1;
        st_.cont = false;
    }
    if (out)
        Finish(out);
}

void RestoreSession::VolumeMarker(const std::string& name, std::string& archiveFile,
                                  bool fromStream) {
    owned_.reset();
    src_ = nullptr;
    const std::string digits = name.substr(kVolumeMarker.size(), 3);
    // The digits become part of a path; anything but three decimals is damage.
    if (!IsVolumeDigits(digits))
        throw EInvalidArchive();
    const std::string next = VolumeName(archiveFile, digits);
    // A caller's stream has no file name to continue from.
    if (fromStream)
        throw rt::EFOpenError(rt::Format(txt::SFOpenError, next.c_str()));
    const std::string disk = StripLeadingZeros(digits);
    do {
        host_.NeedDisk(disk, st_.cont);
        archiveFile = next;
    } while (!host_.FileExists(archiveFile) && st_.cont);
    if (!st_.cont)
        return;

    owned_ = host_.OpenSource(archiveFile);
    src_ = owned_.get();
    // Nothing to continue before the first file entry of this run.
    if (!doRestore_ || !haveEntry_) {
        RestoreData(nullptr);
        return;
    }
    std::unique_ptr<OutputFile> out = host_.OpenForAppend(st_.currentFile);
    try {
        RestoreData(out.get());
    } catch (...) {
        Finish(out);
        throw;
    }
    Finish(out);
}

// OnFileRestored, the stored date-time, closing.
void RestoreSession::Finish(std::unique_ptr<OutputFile>& out) {
    host_.FileRestored(st_.currentFile, out);
    if (out) {
        out->SetDateTime(date_);
        out->Close();
        out.reset();
    }
}

void RestoreSession::RestoreData(OutputFile* out) {
    unsigned char sig[4];
    ReadExact(*src_, sig, 4);
    if (std::memcmp(sig, kSignature, 4) != 0)
        throw EInvalidArchive();
    BlockBuffers& buf = *buf_;
    std::int32_t b = -1;
    while (b != 0 && st_.cont) {
        b = ReadInt32(*src_);
        std::size_t count = 0;
        if (b != 0) {
            // The format allows no longer block; reading one would overrun the buffer.
            if (b > std::int32_t(kBlockSize) || b < -std::int32_t(kBlockSize))
                throw EInvalidArchive();
            const std::size_t len = static_cast<std::size_t>(b > 0 ? b : -b);
            if (out == nullptr) {
                SkipExact(*src_, len);
            } else {
                ReadExact(*src_, buf.in, len);
                if (b > 0) {
                    const InflateResult r = InflateBlock(buf, len);
                    if (r.produced != 0)
                        out->Write(buf.out, r.produced);
                    count = r.produced;
                    if (!r.ok) {
                        st_.errorCode = 6;
                        st_.cont = false;
                    }
                } else {
                    out->Write(buf.in, len);
                    count = len;
                }
            }
        }
        host_.ProcessMessages();
        if (out != nullptr) {
            st_.done += static_cast<std::int64_t>(count);
            host_.Progress(st_.currentFile, Percent(st_.done, st_.total), st_.cont);
        }
    }
}

} // namespace

Header ReadHeader(ByteSource& src) {
    const std::int32_t h = ReadInt32(src);
    if (h < 0)
        throw rt::EReadError(txt::SReadError);
    SkipExact(src, static_cast<std::size_t>(h));
    Header hdr;
    hdr.total = ReadInt32(src);
    hdr.value = ReadInt32(src);
    return hdr;
}

// One stream for all blocks of a run, reset for each: set up afresh, it
// allocated 40 KB per block, which cost more than inflating a small block.
struct Inflater {
    z_stream zs{};
    ~Inflater() { inflateEnd(&zs); }
};

BlockBuffers::BlockBuffers() = default;
BlockBuffers::~BlockBuffers() = default;

InflateResult InflateBlock(BlockBuffers& buf, std::size_t len) {
    InflateResult r;
    if (buf.inflater) {
        if (inflateReset(&buf.inflater->zs) != Z_OK)
            return r;
    } else {
        auto inflater = std::make_unique<Inflater>();
        // The archives were made for zlib 1.1.3; any 1.x accepts that version text.
        if (inflateInit_(&inflater->zs, "1.1.3", static_cast<int>(sizeof(z_stream))) < 0)
            return r;
        buf.inflater = std::move(inflater);
    }
    z_stream& zs = buf.inflater->zs;
    zs.next_in = buf.in;
    zs.avail_in = static_cast<uInt>(len);
    zs.next_out = buf.out;
    zs.avail_out = static_cast<uInt>(kBlockSize);
    const int rc = inflate(&zs, Z_NO_FLUSH);
    r.produced = zs.total_out;
    // Anything short of a stream that ends exactly with the block would lose
    // content silently: expansion beyond the buffer, a cut stream, a preset dictionary.
    r.ok = rc == Z_STREAM_END && zs.avail_in == 0;
    return r;
}

bool Restore(const RestoreSettings& settings, RunState& state, RestoreHost& host,
             std::string archiveFile, std::string destDir, ByteSource* sourceStream) {
    RestoreSession run(settings, state, host);
    return run.Execute(std::move(archiveFile), std::move(destDir), sourceStream);
}

std::string ErrorText(int code) {
    if (code < 1 || code > 7)
        return {};
    return txt::ArcErrorTexts[code - 1];
}

int Percent(std::int64_t done, std::int32_t total) {
    if (total <= 0)
        return 100;
    const std::int64_t num = done * 100;
    std::int64_t q = num / total;
    const std::int64_t r2 = (num % total) * 2;
    if (r2 > total || (r2 == total && (q & 1) != 0))
        ++q;
    return q > INT_MAX ? INT_MAX : static_cast<int>(q);
}

bool DecideRestore(TRestoreMode mode, std::optional<std::int32_t> age, std::int32_t stored) {
    switch (mode) {
    case rmAll:
        return true;
    case rmNoOverwrite:
        return !age;
    case rmNewer:
        return !age || *age < stored;
    case rmExisting:
        return age.has_value();
    case rmExistingNewer:
        return age && *age < stored;
    }
    return false;
}

std::string PlainName(std::string_view stored) {
    const std::size_t i = stored.find_last_of("\\:");
    return std::string(i == std::string_view::npos ? stored : stored.substr(i + 1));
}

std::optional<std::string> TargetPath(std::string_view stored, const std::string& destDir,
                                      bool fullPath) {
    if (destDir.empty()) {
        // The stored path as it is: a drive path, or a bare name (which has no
        // directory to create and fails there).
        if (stored.size() >= 3 && stored[1] == ':' && stored[2] == '\\' &&
            ((stored[0] >= 'A' && stored[0] <= 'Z') || (stored[0] >= 'a' && stored[0] <= 'z'))) {
            if (!IsSafeRelativePath(stored.substr(3)))
                return std::nullopt;
        } else if (!IsSafeComponent(stored)) {
            return std::nullopt;
        }
        return std::string(stored);
    }
    if (fullPath) {
        const std::string_view rel = stored.size() > 3 ? stored.substr(3) : std::string_view();
        if (!IsSafeRelativePath(rel))
            return std::nullopt;
        return destDir + std::string(rel);
    }
    const std::string name = PlainName(stored);
    if (!IsSafeComponent(name))
        return std::nullopt;
    return destDir + name;
}

std::string DirectoryPart(const std::string& path) {
    const std::size_t i = path.find_last_of("\\:");
    if (i == std::string::npos)
        throw rt::Exception(txt::SCannotCreateDir);
    // Keep the backslash of a root ("C:\", "\") but drop any other trailing one.
    if (path[i] == '\\' && i > 0 && path[i - 1] != ':' && path[i - 1] != '\\')
        return path.substr(0, i);
    return path.substr(0, i + 1);
}

std::string StripLeadingZeros(std::string_view digits) {
    while (!digits.empty() && digits.front() == '0')
        digits.remove_prefix(1);
    return std::string(digits);
}

} // namespace backup
