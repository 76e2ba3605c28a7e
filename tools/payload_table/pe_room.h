#pragma once
// The payload table's room in a PE file (Setup.exe), found through its
// resource directory and rewritten in place: binding another payload to a
// built program needs no compiler and no linker. Windows-free.
#include <cstdint>
#include <string>
#include <string_view>

namespace pe {

struct Room {
    std::size_t offset = 0; // in the file
    std::size_t size = 0;
};

// The RCDATA resource `id` (its first language) in the image; throws
// std::runtime_error naming what is missing or broken.
Room FindRoom(std::string_view image, int id);

// Whether the image carries an Authenticode signature (a certificate table).
bool IsSigned(std::string_view image);

// The header checksum as the Windows loader and signing compute it.
std::uint32_t Checksum(std::string_view image);
std::uint32_t StoredChecksum(std::string_view image);

// Writes text into the room, zero bytes after it, and sets the checksum.
// Throws when the text does not fit or the image is signed (binding must come
// before signing: the signature would no longer match).
void Bind(std::string& image, int id, std::string_view text);

// The room's bytes.
std::string_view RoomBytes(std::string_view image, int id);

} // namespace pe
