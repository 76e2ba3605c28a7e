#pragma once
// Writes packed archives (.kvr) in memory: stored or compressed blocks, a header
// text, an optional file list and volumes of a given size. Used by the kvrpack
// tool and by the tests and the benchmark that need archives.
#include "backup/format.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvrpack {

struct Entry {
    std::string storedName;   // as recorded, e.g. C:\Daten\A.TXT
    std::int32_t dosTime = 0; // MS-DOS packed local date-time
    std::string content;
    bool storeOnly = false; // never compress this entry's blocks
};

struct Options {
    std::string headerText;
    std::optional<std::int32_t> total; // default: the sum of the entries' sizes
    std::int32_t headerValue = 0;
    bool fileList = false;                      // append a "FILE:LIST" entry naming the files
    std::size_t volumeSize = 0;                 // 0: one volume
    std::size_t blockSize = backup::kBlockSize; // content bytes per block, 1 to kBlockSize
    int level = 9;                              // zlib level; 0 stores every block
};

class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The volumes in order: the archive itself, then the continuation volumes.
std::vector<std::string> Pack(const std::vector<Entry>& entries, const Options& options);

// Packs one archive after another with the same zlib stream: setting one up
// (some 270 KB) costs more than packing a small archive (the fuzzer packs
// thousands a second). Each archive comes out as Pack() writes it.
class Packer {
public:
    Packer();
    ~Packer();
    Packer(const Packer&) = delete;
    Packer& operator=(const Packer&) = delete;
    std::vector<std::string> Pack(const std::vector<Entry>& entries, const Options& options);

    class Encoder; // the blocks' zlib stream (packer.cpp)

private:
    std::unique_ptr<Encoder> encoder_;
};

// Volume i is written as backup::VolumeFile(archive, i) (backup/format.h).

} // namespace kvrpack
