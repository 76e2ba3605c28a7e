#pragma once
// Special folders: the lookup the shortcut dialog uses, and the small
// component TGetFolder the wizard window holds.
#include "shell/component.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The path of a shell special folder (a CSIDL value), ending in exactly one
// backslash; the empty string when the shell cannot resolve it or gives no
// file-system path. Never shows a message. Needs a COM apartment. (Windows only.)
std::string SpecialFolderPath(int csidl);

namespace shell {
// The shell's path as it came in its buffer (up to the first NUL), with one
// backslash appended unless it is empty or already ends in one.
std::string FolderPathFromShell(std::string_view shellPath);
} // namespace shell

// Streamed by name in the form description, stored in one byte.
enum class TWhatFolder : std::uint8_t {
    WindowsDesktop,
    FSDesktop,
    Fonts,
    NetworkNeighborhood,
    FSCommonDocuments,
    FSMPrograms,
    FSMUsingDoc,
    FSSendTo,
    FSStartMenu,
    FSStartUp,
    FSTemplates,
};
inline constexpr int kWhatFolderCount = 11;

const char* WhatFolderName(TWhatFolder value);
std::optional<TWhatFolder> WhatFolderFromName(std::string_view name);

class TGetFolder : public TComponent {
public:
    // Published; no default, so a form description always records it.
    TWhatFolder WhatFolder() const { return FWhatFolder; }
    void SetWhatFolder(TWhatFolder value);

    // Applies one property line of a form description ("WhatFolder", "FSDesktop");
    // false (and nothing changed) for an unknown property or value name.
    bool ReadProperty(std::string_view property, std::string_view value);

private:
    TWhatFolder FWhatFolder = TWhatFolder::WindowsDesktop;
};
