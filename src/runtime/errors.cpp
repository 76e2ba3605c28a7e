#include "runtime/errors.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"

namespace rt {

std::string InOutErrorText(int errorCode) {
    switch (errorCode) {
    case 2:
        return txt::SFileNotFound;
    case 3:
    case 123:
        return txt::SInvalidFilename;
    case 4:
        return txt::STooManyOpenFiles;
    case 5:
        return txt::SAccessDenied;
    case 100:
        return txt::SEndOfFile;
    case 101:
        return txt::SDiskFull;
    default:
        return Format(txt::SInOutError, errorCode);
    }
}

EInOutError::EInOutError(int errorCode) : Exception(InOutErrorText(errorCode)), code_(errorCode) {}

std::string WithFullStop(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        return text + '.';
    return text;
}

} // namespace rt
