#pragma once
// The file layer the installer's steps use: existence tests, directory
// creation, and text files written the runtime's way (CR LF after every line).
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);

// Creates the directory with all missing parents; an existing directory counts
// as success. An empty path raises "Das Verzeichnis kann nicht erstellt werden".
bool ForceDirectories(const std::string& path);

// Creates path anew and writes every line followed by CR LF. Any failure to
// create, write or close raises EInOutError with the OS error code.
void WriteTextFile(const std::string& path, const std::vector<std::string>& lines);

// Writes every line followed by CR LF to an open file handle, in large pieces.
// False when a write fails or writes nothing; the OS error code then tells why
// (0 for a short write). line(i) gives line i of count; pump, if given, runs
// after each piece so that a long list keeps the window answering.
bool WriteLines(void* file, std::size_t count, const std::function<std::string_view(std::size_t)>& line,
                const std::function<void()>& pump = {});
bool WriteLines(void* file, const std::vector<std::string>& lines);

} // namespace tk
