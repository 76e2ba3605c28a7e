#include "packer.h"
#include "backup/format.h"

#include <algorithm>
#include <zlib.h>

namespace kvrpack {
namespace {

using backup::kSignatureText;
constexpr std::size_t kEndOfSection = 4;
constexpr std::size_t kMarker = 4 + backup::kVolumeMarker.size() + 3; // length, name, digits

void PutInt32(std::string& s, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8 & 0xFF),
                       static_cast<char>(u >> 16 & 0xFF), static_cast<char>(u >> 24 & 0xFF)};
    s.append(b, 4);
}

} // namespace

// Encodes blocks, each one zlib stream of its own. The stream is set up once
// and reset for each block: set up per block (some 270 KB allocated, the hash
// table cleared), it cost twenty times the compression of a small block. The
// output is what compress2 makes of each block alone.
class Packer::Encoder {
public:
    Encoder() = default;
    ~Encoder() { Close(); }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    void SetLevel(int level) {
        if (level != level_)
            Close();
        level_ = level;
    }

    // One block of n content bytes: compressed when that is shorter, else
    // stored. Valid until the next call.
    struct Block {
        std::int32_t length; // > 0 compressed, < 0 stored
        const char* payload;
        std::size_t size;
        std::size_t Encoded() const { return 4 + size; }
    };
    Block Encode(const char* data, std::size_t n, bool storeOnly) {
        if (level_ > 0 && !storeOnly && n != 0 && Deflate(data, n) && zs_.total_out < n)
            return {static_cast<std::int32_t>(zs_.total_out), z_.data(), zs_.total_out};
        return {-static_cast<std::int32_t>(n), data, n};
    }

private:
    void Close() {
        if (open_)
            deflateEnd(&zs_);
        open_ = false;
    }
    bool Deflate(const char* data, std::size_t n) {
        if (!open_) {
            zs_ = z_stream{};
            if (deflateInit(&zs_, level_) != Z_OK)
                return false;
            open_ = true;
        } else if (deflateReset(&zs_) != Z_OK) {
            return false;
        }
        // Only a result shorter than the content is used: n bytes of room are enough.
        if (z_.size() < n)
            z_.resize(std::max(n, backup::kBlockSize));
        zs_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        zs_.avail_in = static_cast<uInt>(n);
        zs_.next_out = reinterpret_cast<Bytef*>(z_.data());
        zs_.avail_out = static_cast<uInt>(n);
        return deflate(&zs_, Z_FINISH) == Z_STREAM_END;
    }

    int level_ = -1;
    z_stream zs_{};
    bool open_ = false;
    std::string z_;
};

namespace {

class Writer {
public:
    // Each volume gets room for `expected` bytes, or for the whole volume when
    // that is less: grown as written, a volume was reallocated a dozen times.
    Writer(std::size_t limit, std::size_t expected)
        : limit_(limit), reserve_(limit != 0 ? std::min(limit, expected) : expected) {
        cur_.reserve(reserve_);
    }

    std::string& Current() { return cur_; }
    // Room for n more bytes while keeping room to close the volume with a marker.
    bool Fits(std::size_t n, bool inSection) const {
        if (limit_ == 0)
            return true;
        const std::size_t reserve = kMarker + (inSection ? kEndOfSection : 0);
        return cur_.size() + n + reserve <= limit_;
    }
    std::size_t Room(bool inSection) const {
        const std::size_t reserve = kMarker + (inSection ? kEndOfSection : 0);
        return cur_.size() + reserve >= limit_ ? 0 : limit_ - cur_.size() - reserve;
    }
    // Ends this volume with a marker; the next one opens a data section.
    void NextVolume(bool inSection) {
        if (inSection)
            PutInt32(cur_, 0);
        const std::size_t number = volumes_.size() + 2;
        if (number > 999)
            throw PackError("more than 999 volumes");
        const std::string marker =
            std::string(backup::kVolumeMarker) + backup::VolumeDigits(static_cast<int>(number));
        PutInt32(cur_, static_cast<std::int32_t>(marker.size()));
        cur_ += marker;
        volumes_.push_back(std::move(cur_));
        cur_ = std::string();
        cur_.reserve(reserve_);
        cur_.assign(kSignatureText);
        fresh_ = true;
    }
    bool Fresh() const { return fresh_; }
    void Used() { fresh_ = false; }
    std::vector<std::string> Finish() {
        PutInt32(cur_, 0);
        volumes_.push_back(std::move(cur_));
        return std::move(volumes_);
    }

private:
    std::size_t limit_;
    std::size_t reserve_;
    std::string cur_;
    std::vector<std::string> volumes_;
    bool fresh_ = true; // holds nothing but its opening
};

void Append(std::string& volume, const Packer::Encoder::Block& b) {
    PutInt32(volume, b.length);
    volume.append(b.payload, b.size);
}

void WriteEntry(Writer& w, Packer::Encoder& enc, const Entry& e, const Options& o) {
    std::string head;
    PutInt32(head, static_cast<std::int32_t>(e.storedName.size()));
    head += e.storedName;
    PutInt32(head, e.dosTime);
    head.append(kSignatureText);
    if (!w.Fits(head.size(), true)) {
        // Start the entry in the next volume; its opening section continues the
        // previous file with nothing.
        if (w.Fresh())
            throw PackError("volume size too small for entry " + e.storedName);
        w.NextVolume(false);
        PutInt32(w.Current(), 0);
        if (!w.Fits(head.size(), true))
            throw PackError("volume size too small for entry " + e.storedName);
    }
    w.Current() += head;
    w.Used();
    std::size_t pos = 0;
    while (pos < e.content.size()) {
        const std::size_t chunk = std::min(o.blockSize, e.content.size() - pos);
        Packer::Encoder::Block block = enc.Encode(e.content.data() + pos, chunk, e.storeOnly);
        std::size_t used = chunk;
        if (!w.Fits(block.Encoded(), true)) {
            // Fill the volume with a smaller block, or move on to the next one.
            const std::size_t room = w.Room(true);
            if (room <= 4) {
                if (w.Fresh())
                    throw PackError("volume size too small");
                w.NextVolume(true);
                continue;
            }
            used = std::min(chunk, room - 4);
            block = enc.Encode(e.content.data() + pos, used, e.storeOnly);
        }
        Append(w.Current(), block);
        w.Used();
        pos += used;
    }
    PutInt32(w.Current(), 0);
}

} // namespace

Packer::Packer() : encoder_(std::make_unique<Encoder>()) {}
Packer::~Packer() = default;

std::vector<std::string> Pack(const std::vector<Entry>& entries, const Options& options) {
    return Packer().Pack(entries, options);
}

std::vector<std::string> Packer::Pack(const std::vector<Entry>& entries, const Options& o) {
    if (o.blockSize == 0 || o.blockSize > backup::kBlockSize)
        throw PackError("block size must be 1 to 16384");
    if (o.level < 0 || o.level > 9)
        throw PackError("level must be 0 to 9");
    // The archive's size with every block stored: compressed ones are shorter.
    auto stored = [&](std::size_t nameSize, std::size_t contentSize) {
        const std::size_t blocks = (contentSize + o.blockSize - 1) / o.blockSize;
        return 4 + nameSize + 4 + 4 + contentSize + 4 * blocks + 4;
    };
    std::size_t expected = 12 + o.headerText.size() + 4;
    std::size_t listSize = 0;
    std::int64_t sum = 0;
    for (const Entry& e : entries) {
        if (e.storedName.empty())
            throw PackError("empty entry name");
        if (e.storedName.starts_with(backup::kVolumeMarker) || e.storedName == backup::kFileList)
            throw PackError("reserved entry name " + e.storedName);
        sum += static_cast<std::int64_t>(e.content.size());
        expected += stored(e.storedName.size(), e.content.size());
        listSize += e.storedName.size() + backup::kLineEnd.size();
    }
    if (o.fileList)
        expected += stored(backup::kFileList.size(), listSize);
    Writer w(o.volumeSize, expected);
    std::string& head = w.Current();
    PutInt32(head, static_cast<std::int32_t>(o.headerText.size()));
    head += o.headerText;
    PutInt32(head, o.total ? *o.total : static_cast<std::int32_t>(sum));
    PutInt32(head, o.headerValue);
    if (!w.Fits(0, false))
        throw PackError("volume size too small for the header");

    Encoder& enc = *encoder_;
    enc.SetLevel(o.level);
    for (const Entry& e : entries)
        WriteEntry(w, enc, e, o);
    if (o.fileList) {
        Entry list;
        list.storedName = backup::kFileList;
        for (const Entry& e : entries)
            (list.content += e.storedName) += backup::kLineEnd;
        WriteEntry(w, enc, list, o);
    }
    return w.Finish();
}

} // namespace kvrpack
