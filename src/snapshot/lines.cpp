#include "snapshot/lines.h"

#include "runtime/strutil.h"

#include <charconv>

namespace snapshot {

namespace {

void AppendInt(std::string& out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string InTarget(std::string_view targetDir, std::string_view name) {
    std::string path(targetDir);
    path += '\\';
    path += name;
    return path;
}

} // namespace

std::string RootOfDrive(std::string_view drive) {
    return rt::UpperAZ(drive);
}

std::string LwdatLine(std::string_view root, std::string_view designation) {
    std::string line(root);
    line += " (";
    line += designation;
    line += ')';
    return line;
}

std::string DirListPath(std::string_view targetDir, std::string_view drive) {
    return InTarget(targetDir, std::string(drive.substr(0, 1)) + "verz.lst");
}

std::string FileListPath(std::string_view targetDir, std::string_view drive) {
    return InTarget(targetDir, std::string(drive.substr(0, 1)) + "dat.lst");
}

std::string LwdatPath(std::string_view targetDir) {
    return InTarget(targetDir, "Lwdat.lst");
}

void AppendFileLine(std::string& out, std::string_view parent, std::string_view name,
                    std::uint32_t sizeLow, std::uint32_t dosDateTime, std::uint32_t attributes) {
    out += parent;
    out += '\\';
    out += name;
    out += '*';
    AppendInt(out, static_cast<std::int32_t>(sizeLow));
    out += '*';
    AppendInt(out, static_cast<std::int32_t>(dosDateTime));
    out += '*';
    AppendInt(out, attributes);
}

std::string FileLine(std::string_view parent, std::string_view name, std::uint32_t sizeLow,
                     std::uint32_t dosDateTime, std::uint32_t attributes) {
    std::string line;
    line.reserve(parent.size() + name.size() + 32);
    AppendFileLine(line, parent, name, sizeLow, dosDateTime, attributes);
    return line;
}

std::string RegListPath(std::string_view targetDir, int rootIndex) {
    return InTarget(targetDir, kRegFileNames[rootIndex]);
}

std::string RegCountPath(std::string_view targetDir) {
    return InTarget(targetDir, "Regcnt.cfg");
}

} // namespace snapshot
