#pragma once
// The packed archive's format (.kvr) in one place: the reader, the packer, the
// fuzzer, the installer and the tests all take their constants and rules from here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace backup {

// Largest payload of one block, and largest content a compressed block may expand to.
inline constexpr std::size_t kBlockSize = 16384;
// Opens every data section: "EC2" and a zero byte.
inline constexpr unsigned char kSignature[4] = {0x45, 0x43, 0x32, 0x00};
inline constexpr std::string_view kSignatureText{"EC2\0", 4};
// An entry named "NEXT:DISK" and three digits ends a volume; "FILE:LIST" is the
// optional list of the archive's names, one per line, each ended by CR LF.
inline constexpr std::string_view kVolumeMarker = "NEXT:DISK";
inline constexpr std::string_view kFileList = "FILE:LIST";
inline constexpr std::string_view kLineEnd = "\r\n";

// A volume's file name: the archive's path with its extension (after the last
// dot of the last path part) replaced by a dot and the three digits, or the dot
// and digits appended when it has none.
inline std::string VolumeName(std::string_view archive, std::string_view digits) {
    const std::size_t dot = archive.find_last_of("./\\:");
    const std::string_view stem =
        dot != std::string_view::npos && archive[dot] == '.' ? archive.substr(0, dot) : archive;
    std::string name(stem);
    name += '.';
    name += digits;
    return name;
}

// Volume number n (2 for the first continuation) as its three digits.
inline std::string VolumeDigits(int n) {
    const char d[3] = {static_cast<char>('0' + n / 100 % 10), static_cast<char>('0' + n / 10 % 10),
                       static_cast<char>('0' + n % 10)};
    return std::string(d, 3);
}

// The file of volume index i of an archive written in one piece: 0 is the
// archive itself, 1 its ".002", and so on.
inline std::string VolumeFile(std::string_view archive, std::size_t index) {
    return index == 0 ? std::string(archive)
                      : VolumeName(archive, VolumeDigits(static_cast<int>(index) + 1));
}

// Three decimal digits: the only text a volume marker may carry as its number.
inline bool IsVolumeDigits(std::string_view s) {
    if (s.size() != 3)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// MS-DOS packed local date-time: the date in the high word, the time in the low.
struct DosDateTime {
    int year, month, day, hour, minute, second; // seconds are even
};

inline std::int32_t PackDosDateTime(const DosDateTime& t) {
    const auto date = static_cast<std::uint32_t>((t.year - 1980) << 9 | t.month << 5 | t.day);
    const auto time = static_cast<std::uint32_t>(t.hour << 11 | t.minute << 5 | t.second / 2);
    return static_cast<std::int32_t>(date << 16 | time);
}

inline std::int32_t PackDosDateTime(std::uint16_t date, std::uint16_t time) {
    return static_cast<std::int32_t>(std::uint32_t(date) << 16 | time);
}

inline DosDateTime UnpackDosDateTime(std::int32_t packed) {
    const auto u = static_cast<std::uint32_t>(packed);
    const std::uint32_t date = u >> 16, time = u & 0xFFFF;
    return {static_cast<int>(1980 + (date >> 9)), static_cast<int>(date >> 5 & 15),
            static_cast<int>(date & 31),          static_cast<int>(time >> 11),
            static_cast<int>(time >> 5 & 63),     static_cast<int>((time & 31) * 2)};
}

} // namespace backup
