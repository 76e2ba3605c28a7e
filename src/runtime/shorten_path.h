#pragma once
// Shortens a path for a fixed-width label: leading directories give way to
// "...\" until the text fits; the file name itself is never shortened.
#include <functional>
#include <string>

namespace rt {

// measure(text) returns the text's width in pixels in the label's font.
std::string ShortenPath(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& measure);

} // namespace rt
