#pragma once
// How the Program Files value is taken from the registry's bytes, free of Windows.
#include <cstddef>
#include <string>

namespace app {

// A registry string value's bytes as stored, up to the first zero character.
std::string RegStringValue(const char* data, std::size_t size);

// The Program Files folder from the value read: the value and one backslash.
std::string ProgramFilesWithBackslash(const std::string& value);

} // namespace app
