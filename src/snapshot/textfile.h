#pragma once
// Writing a one-line text file the way the runtime's text files do: any
// failure to create, write or close raises EInOutError with the OS error code.
#include <string>

namespace snapshot {

// Creates path anew and writes line + CR LF.
void WriteLineFile(const std::string& path, const std::string& line);

} // namespace snapshot
