#include "pe_room.h"
#include <cstring>
#include <stdexcept>

namespace pe {

namespace {

constexpr std::uint32_t kRcData = 10;
constexpr int kResourceDirectory = 2;
constexpr int kSecurityDirectory = 4;

[[noreturn]] void Broken(const std::string& what) {
    throw std::runtime_error("not a PE file we can bind: " + what);
}

std::uint32_t Read(std::string_view image, std::size_t at, int bytes) {
    if (at > image.size() || image.size() - at < static_cast<std::size_t>(bytes))
        Broken("a header reaches past the end of the file");
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(image[at + static_cast<std::size_t>(i)]);
    return v;
}

struct Headers {
    std::size_t optional = 0; // offset of the optional header
    std::size_t directories = 0;
    std::uint32_t directoryCount = 0;
    std::size_t sections = 0;
    std::uint32_t sectionCount = 0;
};

Headers ReadHeaders(std::string_view image) {
    if (image.substr(0, 2) != "MZ")
        Broken("no MZ header");
    const std::size_t pe = Read(image, 0x3C, 4);
    if (Read(image, pe, 4) != 0x00004550)
        Broken("no PE signature");
    Headers h;
    h.sectionCount = Read(image, pe + 6, 2);
    const std::uint32_t optionalSize = Read(image, pe + 20, 2);
    h.optional = pe + 24;
    const std::uint32_t magic = Read(image, h.optional, 2);
    if (magic == 0x20B) { // PE32+
        h.directoryCount = Read(image, h.optional + 108, 4);
        h.directories = h.optional + 112;
    } else if (magic == 0x10B) {
        h.directoryCount = Read(image, h.optional + 92, 4);
        h.directories = h.optional + 96;
    } else {
        Broken("unknown optional header");
    }
    h.sections = h.optional + optionalSize;
    return h;
}

std::size_t CheckSumField(std::string_view image) {
    return ReadHeaders(image).optional + 64; // the same place in PE32 and PE32+
}

// A range of the image's memory as it lies in the file.
std::size_t FileOffset(std::string_view image, const Headers& h, std::uint32_t rva,
                       std::uint32_t size) {
    for (std::uint32_t i = 0; i < h.sectionCount; ++i) {
        const std::size_t s = h.sections + 40 * static_cast<std::size_t>(i);
        const std::uint32_t va = Read(image, s + 12, 4), raw = Read(image, s + 16, 4),
                            ptr = Read(image, s + 20, 4);
        if (rva >= va && rva - va <= raw && raw - (rva - va) >= size) {
            const std::size_t at = std::size_t{ptr} + (rva - va);
            if (at > image.size() || image.size() - at < size)
                Broken("a section reaches past the end of the file");
            return at;
        }
    }
    Broken("an address outside the file's sections");
}

// The entry of `id` in a resource directory; its OffsetToData field.
std::uint32_t Entry(std::string_view image, std::size_t base, std::uint32_t dir, std::uint32_t id,
                    bool anyId) {
    const std::size_t at = base + dir;
    const std::uint32_t named = Read(image, at + 12, 2), ids = Read(image, at + 14, 2);
    for (std::uint32_t i = named; i < named + ids; ++i) {
        const std::size_t e = at + 16 + 8 * std::size_t{i};
        if (anyId || Read(image, e, 4) == id)
            return Read(image, e + 4, 4);
    }
    return 0xFFFFFFFF;
}

} // namespace

Room FindRoom(std::string_view image, int id) {
    const Headers h = ReadHeaders(image);
    if (h.directoryCount <= kResourceDirectory)
        Broken("no resource directory");
    const std::uint32_t rva = Read(image, h.directories + 8 * kResourceDirectory, 4);
    const std::uint32_t size = Read(image, h.directories + 8 * kResourceDirectory + 4, 4);
    if (rva == 0 || size < 16)
        Broken("no resources");
    const std::size_t base = FileOffset(image, h, rva, size);
    const std::string what = "no RCDATA resource " + std::to_string(id) + " (the payload room)";
    std::uint32_t next = Entry(image, base, 0, kRcData, false);
    // Type and name lead to subdirectories (high bit), the language to the data.
    if (next == 0xFFFFFFFF || !(next & 0x80000000))
        throw std::runtime_error(what);
    next = Entry(image, base, next & 0x7FFFFFFF, static_cast<std::uint32_t>(id), false);
    if (next == 0xFFFFFFFF || !(next & 0x80000000))
        throw std::runtime_error(what);
    next = Entry(image, base, next & 0x7FFFFFFF, 0, true);
    if (next == 0xFFFFFFFF || (next & 0x80000000))
        throw std::runtime_error(what);
    const std::uint32_t dataRva = Read(image, base + next, 4);
    const std::uint32_t dataSize = Read(image, base + next + 4, 4);
    return {FileOffset(image, h, dataRva, dataSize), dataSize};
}

bool IsSigned(std::string_view image) {
    const Headers h = ReadHeaders(image);
    return h.directoryCount > kSecurityDirectory &&
           Read(image, h.directories + 8 * kSecurityDirectory + 4, 4) != 0;
}

std::uint32_t Checksum(std::string_view image) {
    const std::size_t field = CheckSumField(image);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < image.size(); i += 2) {
        if (i == field || i == field + 2)
            continue; // the field itself counts as zero
        std::uint32_t word = static_cast<unsigned char>(image[i]);
        if (i + 1 < image.size())
            word |= std::uint32_t{static_cast<unsigned char>(image[i + 1])} << 8;
        total += word;
        total = (total & 0xFFFF) + (total >> 16);
    }
    return static_cast<std::uint32_t>((total & 0xFFFF) + image.size());
}

std::uint32_t StoredChecksum(std::string_view image) {
    return Read(image, CheckSumField(image), 4);
}

std::string_view RoomBytes(std::string_view image, int id) {
    const Room room = FindRoom(image, id);
    return image.substr(room.offset, room.size);
}

void Bind(std::string& image, int id, std::string_view text) {
    if (IsSigned(image))
        throw std::runtime_error("the program is signed already: bind first, then sign");
    const Room room = FindRoom(image, id);
    if (text.size() > room.size)
        throw std::runtime_error("the table's " + std::to_string(text.size()) +
                                 " bytes do not fit the room of " + std::to_string(room.size));
    std::memset(image.data() + room.offset, 0, room.size);
    std::memcpy(image.data() + room.offset, text.data(), text.size());
    const std::size_t field = CheckSumField(image);
    const std::uint32_t sum = Checksum(image);
    for (int i = 0; i < 4; ++i)
        image[field + static_cast<std::size_t>(i)] = static_cast<char>((sum >> (8 * i)) & 0xFF);
}

} // namespace pe
