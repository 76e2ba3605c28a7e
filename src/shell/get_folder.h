#pragma once
// TGetFolder: a small non-visual component that names a special folder by
// one published property. Nothing reads it; the shortcut dialog finds its
// folders through SpecialFolderPath (special_folder.h).
#include "shell/component.h"

#include <cstdint>
#include <optional>
#include <string_view>

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
