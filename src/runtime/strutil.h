#pragma once
// Small string helpers for single-byte (code page 1252) texts.
#include <string>
#include <string_view>

namespace rt {

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Upper/lower-case the letters a-z / A-Z only, as drive letters are compared.
char UpperAZ(char c);
char LowerAZ(char c);
std::string UpperAZ(std::string_view s);
bool SameTextAZ(std::string_view a, std::string_view b);

// Remove leading and trailing blanks and control characters (bytes <= 32).
std::string Trim(std::string_view s);

// Remove one trailing backslash, if there is one.
std::string WithoutTrailingBackslash(std::string_view s);

// Replace every "&&" by "&" and drop single '&' (caption without accelerator mark);
// AccelChar gives the upper-cased letter after a single '&', or 0.
std::string StripAccel(std::string_view caption);
char AccelChar(std::string_view caption);

} // namespace rt
