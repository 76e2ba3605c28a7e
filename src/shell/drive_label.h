#pragma once
// What the drive list shows, without Windows: which letters, which kinds,
// the item texts and the first selection. The platform calls live in drive_list.cpp.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The platform's drive codes (GetDriveTypeA), one byte.
enum TDriveType : std::uint8_t {
    dtUnknown = 0,
    dtNoDrive = 1,
    dtFloppy = 2,
    dtFixed = 3,
    dtNetwork = 4,
    dtCDROM = 5,
    dtRAM = 6,
};

// A set of drive kinds, bit n for kind n.
class TDriveTypes {
public:
    constexpr TDriveTypes() = default;
    constexpr TDriveTypes(std::initializer_list<TDriveType> kinds) {
        for (TDriveType k : kinds)
            bits_ |= Bit(k);
    }
    constexpr bool Contains(unsigned kind) const { return kind < 8 && (bits_ & Bit(kind)) != 0; }

private:
    static constexpr std::uint8_t Bit(unsigned kind) { return std::uint8_t(1u << kind); }
    std::uint8_t bits_ = 0;
};

// Everything but unknown drives and missing roots.
inline constexpr TDriveTypes kDefaultDriveTypes{dtFloppy, dtFixed, dtNetwork, dtCDROM, dtRAM};

enum class TTextCase { tcLowerCase, tcUpperCase };

// Letters whose bit is set in a GetLogicalDrives mask, a to z in order, lower case.
std::vector<char> DriveLetters(std::uint32_t mask);

// Lower-cases a text the way the platform does for a code page. The drive
// list passes the platform's own rule; these two are the rules it follows.
using LowerFn = std::function<std::string(std::string_view)>;

// Code page 1252: A-Z, the accented capitals C0-DE (not the multiplication
// sign D7), and the four capitals in 80-9F (Š Œ Ž Ÿ).
std::string LowerCp1252(std::string_view s);

// A double-byte code page: only A-Z, and never the trail byte of a
// double-byte character (isLeadByte tells which bytes start one).
std::string LowerAZSkippingDbcs(std::string_view s,
                                const std::function<bool(unsigned char)>& isLeadByte);

// A volume label as the list shows it: lowered, then its first character
// raised if it is one of a-z (an umlaut at the start stays small).
std::string VolumeLabelCase(std::string_view label, const LowerFn& lower);

// The item text: "x:" for a floppy (its medium is never read), else
// "x: name" ("%s: %s", so an empty name leaves a trailing blank).
std::string DriveItemText(char letter, TDriveType kind, std::string_view name,
                          TTextCase textCase = TTextCase::tcLowerCase);

// Index of the item to select first for the current directory: the first item
// whose first character is the directory's drive (any case) followed by a
// colon; -1 for a network path (leading backslash), an empty directory or an
// unlisted drive.
int FirstSelection(const std::vector<std::string>& items, std::string_view currentDir);

} // namespace shell
