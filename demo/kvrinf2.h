#pragma once
// What the launcher takes from "Kvrinf2.cfg", the info file that Setup writes
// beside it, and the texts it shows. Free of Windows so it is tested natively.
#include <cstddef>
#include <string>
#include <string_view>

namespace demo {

inline constexpr std::string_view kInfoFile = "Kvrinf2.cfg";
inline constexpr std::string_view kMarker = "KVR-INF_DAT";
// Setup writes two short lines; anything far larger is not that file.
inline constexpr std::size_t kMaxInfoSize = 64 * 1024;

enum class InfoStatus {
    ok,
    tooLarge,     // more than kMaxInfoSize bytes
    noMarker,     // line 1 is not exactly the marker
    noName,       // there is no second line
    badCharacter, // the name holds a zero byte
};

struct Info {
    InfoStatus status = InfoStatus::noMarker;
    std::string name; // line 2 as Setup wrote it (may be empty); only when ok
};

// Lines end in CR LF as Setup writes them; a bare LF is accepted too, and the
// last line may lack its ending. Lines after the second are not looked at.
Info ParseInfo(std::string_view bytes);

// The message for a file that is not usable: names the file in double quotes,
// says what is wrong and what to do.
std::string InfoProblem(InfoStatus status, const std::string& path);
// The message when the file cannot be read at all.
std::string InfoMissing(const std::string& path);

// The greeting line: with the user's name, or a plain one for an empty name.
std::string Greeting(const std::string& name);

// The folder part of a module path: "C:\KELvar\Launch.exe" gives "C:\KELvar",
// a file in a drive root gives "C:\".
std::string FolderOf(const std::string& modulePath);

} // namespace demo
