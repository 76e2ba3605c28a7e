#include "app/registry_value.h"

#include <cstring>

namespace app {

std::string RegStringValue(const char* data, std::size_t size) {
    if (!data)
        return {};
    const void* zero = std::memchr(data, '\0', size);
    return std::string(data, zero ? static_cast<const char*>(zero) - data : size);
}

std::string ProgramFilesWithBackslash(const std::string& value) {
    return value + '\\';
}

} // namespace app
