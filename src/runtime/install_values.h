#pragma once
// The installation run's fixed data and the values it derives from the
// user's input, free of Windows so they are tested natively.
#include <string>
#include <utility>
#include <vector>

namespace rt {

struct PackedFile {
    const char* packed;    // the archive beside the installer
    const char* installed; // appended to the target directory
};

inline constexpr PackedFile kPackedFiles[14] = {
    {"Lockbox.kvr", "\\Lockbox.exe"}, {"Roster.kvr", "\\Roster.lst"},
    {"Parcel.kvr", "\\Parcel.exe"},   {"Unfold.kvr", "\\Unfold.exe"},
    {"Launch.kvr", "\\Launch.exe"},   {"Kvrbn.kvr", "\\Kvrbn.bmp"},
    {"Kvri1.kvr", "\\Kvri1.bmp"},     {"Kvri2.kvr", "\\Kvri2.bmp"},
    {"Kvri3.kvr", "\\Kvri3.bmp"},     {"Kvri4.kvr", "\\Kvri4.bmp"},
    {"Kvrtl.kvr", "\\Kvrtl.bmp"},     {"Kvrtlbar.kvr", "\\Kvrtlbar.bmp"},
    {"Kelvar5.kvr", "\\Kelvar5.exe"}, {"Kelvar5h.kvr", "\\Kelvar5.hlp"},
};

// The two names the temporary folder may take on the target's drive
// (the first three characters of the target, then "Kvr5~tmp" or "Kvr5tmp~").
std::pair<std::string, std::string> TempDirNames(const std::string& target);

// The message shown when both names of the temporary folder exist.
std::string TempDirBusyMessage(const std::string& secondName);

// The lines of "Kvrinf2.cfg": the marker, then the name exactly as typed.
std::vector<std::string> Kvrinf2Lines(const std::string& name);

} // namespace rt
