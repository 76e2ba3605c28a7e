#include "runtime/install_values.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"

namespace rt {

std::pair<std::string, std::string> TempDirNames(const std::string& target) {
    const std::string root = target.substr(0, 3);
    return {root + "Kvr5~tmp", root + "Kvr5tmp~"};
}

std::string TempDirBusyMessage(const std::string& secondName) {
    std::string text = "\"" + secondName + "\"\r\r";
    for (int i = 0; i < 4; ++i) {
        if (i)
            text += '\r';
        text += txt::TempDirBusy[i];
    }
    return text;
}

std::vector<std::string> Kvrinf2Lines(const std::string& name) {
    return {txt::Kvrinf2Marker, name};
}

} // namespace rt
