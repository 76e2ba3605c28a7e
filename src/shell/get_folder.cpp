#include "shell/get_folder.h"

#include <array>

namespace {
constexpr std::array<const char*, kWhatFolderCount> kWhatFolderNames = {
    "WindowsDesktop",    "FSDesktop",   "Fonts",       "NetworkNeighborhood",
    "FSCommonDocuments", "FSMPrograms", "FSMUsingDoc", "FSSendTo",
    "FSStartMenu",       "FSStartUp",   "FSTemplates",
};
} // namespace

const char* WhatFolderName(TWhatFolder value) {
    const auto i = static_cast<std::size_t>(value);
    return i < kWhatFolderNames.size() ? kWhatFolderNames[i] : "";
}

std::optional<TWhatFolder> WhatFolderFromName(std::string_view name) {
    for (std::size_t i = 0; i < kWhatFolderNames.size(); ++i)
        if (name == kWhatFolderNames[i])
            return static_cast<TWhatFolder>(i);
    return std::nullopt;
}

void TGetFolder::SetWhatFolder(TWhatFolder value) {
    FWhatFolder = value;
}

bool TGetFolder::ReadProperty(std::string_view property, std::string_view value) {
    if (property != "WhatFolder")
        return false;
    const auto v = WhatFolderFromName(value);
    if (!v)
        return false;
    SetWhatFolder(*v);
    return true;
}
