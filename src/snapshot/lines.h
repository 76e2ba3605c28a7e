#pragma once
// The text formats of the snapshot files and the small rules around the
// drive and the target directory. No Windows here: built and tested natively.
#include <cstdint>
#include <string>
#include <string_view>

namespace snapshot {

// The drive as the drive list shows it: the first two characters of the item
// ("c:"), or "" when no item is selected.
std::string DriveOfItem(std::string_view itemText);

// The walk's root: the drive with a-z raised to capitals ("C:").
std::string RootOfDrive(std::string_view drive);

// True when the drive is the target directory's drive (a-z compared without case).
bool DriveEqualsTarget(std::string_view drive, std::string_view targetDir);

// "C: (Festplatte)" without the line end.
std::string LwdatLine(std::string_view root, std::string_view designation);

// TargetDir + "\" + first character of the drive as shown + "verz.lst" / "dat.lst".
std::string DirListPath(std::string_view targetDir, std::string_view drive);
std::string FileListPath(std::string_view targetDir, std::string_view drive);
std::string LwdatPath(std::string_view targetDir);

// parent + "\" + name + "*" + size + "*" + time + "*" + attributes, appended to out.
// Size and time are written as signed 32-bit numbers; only the low 32 bits
// of the size are kept.
void AppendFileLine(std::string& out, std::string_view parent, std::string_view name,
                    std::uint32_t sizeLow, std::uint32_t dosDateTime, std::uint32_t attributes);
std::string FileLine(std::string_view parent, std::string_view name, std::uint32_t sizeLow,
                     std::uint32_t dosDateTime, std::uint32_t attributes);

// Packs a local date and time the way the DOS directory did (date high, time low).

// The registry roots in walk order and their output files.
inline constexpr int kRegRootCount = 5;
inline constexpr const char* kRegFileNames[kRegRootCount] = {
    "Reg_cr.lst", "Reg_cu.lst", "Reg_lm.lst", "Reg_u.lst", "Reg_cc.lst"};
std::string RegListPath(std::string_view targetDir, int rootIndex);
std::string RegCountPath(std::string_view targetDir);

} // namespace snapshot
