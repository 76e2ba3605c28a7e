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
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

// One block: compressed when that is shorter than the content, else stored.
std::string EncodeBlock(const char* data, std::size_t n, int level) {
    std::string block;
    if (level > 0) {
        uLongf len = compressBound(static_cast<uLong>(n));
        std::string z(len, '\0');
        if (compress2(reinterpret_cast<Bytef*>(z.data()), &len,
                      reinterpret_cast<const Bytef*>(data), static_cast<uLong>(n), level) == Z_OK &&
            len < n) {
            PutInt32(block, static_cast<std::int32_t>(len));
            block.append(z.data(), len);
            return block;
        }
    }
    PutInt32(block, -static_cast<std::int32_t>(n));
    block.append(data, n);
    return block;
}

class Writer {
public:
    explicit Writer(std::size_t limit) : limit_(limit) {}

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
    std::string cur_;
    std::vector<std::string> volumes_;
    bool fresh_ = true; // holds nothing but its opening
};

void WriteEntry(Writer& w, const Entry& e, const Options& o) {
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
    const int level = e.storeOnly ? 0 : o.level;
    std::size_t pos = 0;
    while (pos < e.content.size()) {
        const std::size_t chunk = std::min(o.blockSize, e.content.size() - pos);
        std::string block = EncodeBlock(e.content.data() + pos, chunk, level);
        std::size_t used = chunk;
        if (!w.Fits(block.size(), true)) {
            // Fill the volume with a smaller block, or move on to the next one.
            const std::size_t room = w.Room(true);
            if (room <= 4) {
                if (w.Fresh())
                    throw PackError("volume size too small");
                w.NextVolume(true);
                continue;
            }
            used = std::min(chunk, room - 4);
            block = EncodeBlock(e.content.data() + pos, used, level);
        }
        w.Current() += block;
        w.Used();
        pos += used;
    }
    PutInt32(w.Current(), 0);
}

} // namespace

std::vector<std::string> Pack(const std::vector<Entry>& entries, const Options& o) {
    if (o.blockSize == 0 || o.blockSize > backup::kBlockSize)
        throw PackError("block size must be 1 to 16384");
    if (o.level < 0 || o.level > 9)
        throw PackError("level must be 0 to 9");
    Writer w(o.volumeSize);
    std::int64_t sum = 0;
    for (const Entry& e : entries) {
        if (e.storedName.empty())
            throw PackError("empty entry name");
        if (e.storedName.starts_with(backup::kVolumeMarker) || e.storedName == backup::kFileList)
            throw PackError("reserved entry name " + e.storedName);
        sum += static_cast<std::int64_t>(e.content.size());
    }
    std::string& head = w.Current();
    PutInt32(head, static_cast<std::int32_t>(o.headerText.size()));
    head += o.headerText;
    PutInt32(head, o.total ? *o.total : static_cast<std::int32_t>(sum));
    PutInt32(head, o.headerValue);
    if (!w.Fits(0, false))
        throw PackError("volume size too small for the header");

    for (const Entry& e : entries)
        WriteEntry(w, e, o);
    if (o.fileList) {
        Entry list;
        list.storedName = backup::kFileList;
        for (const Entry& e : entries)
            (list.content += e.storedName) += backup::kLineEnd;
        WriteEntry(w, list, o);
    }
    return w.Finish();
}

} // namespace kvrpack
