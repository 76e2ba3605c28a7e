#pragma once
// The text formats and names of the snapshot files. No Windows here: built and tested natively.
#include <cstdint>
#include <string>
#include <string_view>

namespace snapshot {

// The walk's root: the drive with a-z raised to capitals ("C:").
std::string RootOfDrive(std::string_view drive);

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

// The registry roots in walk order and their output files.
inline constexpr int kRegRootCount = 5;
inline constexpr const char* kRegFileNames[kRegRootCount] = {
    "Reg_cr.lst", "Reg_cu.lst", "Reg_lm.lst", "Reg_u.lst", "Reg_cc.lst"};
std::string RegListPath(std::string_view targetDir, int rootIndex);
std::string RegCountPath(std::string_view targetDir);

} // namespace snapshot
