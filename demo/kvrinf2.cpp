// Reading "Kvrinf2.cfg" and the launcher's texts (code page 1252).
#include "kvrinf2.h"

namespace demo {
namespace {

// The next line of bytes from pos, without its ending; pos moves past it.
// False when no line starts at pos.
bool NextLine(std::string_view bytes, std::size_t& pos, std::string_view& line) {
    if (pos >= bytes.size())
        return false;
    const std::size_t lf = bytes.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
    const std::size_t next = lf == std::string_view::npos ? bytes.size() : lf + 1;
    // The CR of CR LF belongs to the ending (also a lone CR at the very end).
    if (end > pos && bytes[end - 1] == '\r')
        --end;
    line = bytes.substr(pos, end - pos);
    pos = next;
    return true;
}

} // namespace

Info ParseInfo(std::string_view bytes) {
    Info info;
    if (bytes.size() > kMaxInfoSize) {
        info.status = InfoStatus::tooLarge;
        return info;
    }
    std::size_t pos = 0;
    std::string_view line;
    if (!NextLine(bytes, pos, line) || line != kMarker) {
        info.status = InfoStatus::noMarker;
        return info;
    }
    if (!NextLine(bytes, pos, line)) {
        info.status = InfoStatus::noName;
        return info;
    }
    if (line.find('\0') != std::string_view::npos) {
        info.status = InfoStatus::badCharacter;
        return info;
    }
    info.status = InfoStatus::ok;
    info.name.assign(line);
    return info;
}

std::string InfoProblem(InfoStatus status, const std::string& path) {
    std::string why;
    switch (status) {
    case InfoStatus::ok:
        return {};
    case InfoStatus::tooLarge:
        why = "Die Datei ist zu groß für eine Info-Datei von KELvar.";
        break;
    case InfoStatus::noMarker:
        why = "Die erste Zeile lautet nicht \"KVR-INF_DAT\".";
        break;
    case InfoStatus::noName:
        why = "Die zweite Zeile mit dem Benutzernamen fehlt.";
        break;
    case InfoStatus::badCharacter:
        why = "Der Benutzername enthält ungültige Zeichen.";
        break;
    }
    return "\"" + path + "\"\n\nDie Info-Datei ist beschädigt. " + why +
           "\n\nBitte führen Sie das Setup von KELvar 5.0 erneut aus.";
}

std::string InfoMissing(const std::string& path) {
    return "\"" + path +
           "\"\n\nDie Info-Datei kann nicht gelesen werden. KELvar 5.0 ist nicht vollständig "
           "installiert.\n\nBitte führen Sie das Setup von KELvar 5.0 erneut aus.";
}

std::string Greeting(const std::string& name) {
    if (name.empty())
        return "Willkommen bei KELvar 5.0!";
    return "Willkommen bei KELvar 5.0, " + name + "!";
}

std::string FolderOf(const std::string& modulePath) {
    const std::size_t slash = modulePath.find_last_of("\\/");
    if (slash == std::string::npos)
        return {};
    // Keep the backslash of a drive root (C:\).
    if (slash == 2 && modulePath[1] == ':')
        return modulePath.substr(0, 3);
    return modulePath.substr(0, slash);
}

} // namespace demo
