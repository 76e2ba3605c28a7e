#pragma once
// The restore benchmarks' payload: eight files, each alternating 1 MiB pieces
// of compressible text and incompressible noise, packed into volumes.
#include "backup/archive_reader.h"
#include "packer.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace bench {

// The component's output dropped: what is left is the reader's own cost.
class NullOutput : public backup::OutputFile {
public:
    void Write(const void*, std::size_t) override {}
    void SetDateTime(std::int32_t) override {}
};

inline std::string Payload(std::size_t bytes, unsigned seed, bool text) {
    std::mt19937 g(seed);
    std::string s;
    s.reserve(bytes);
    if (!text) {
        while (s.size() < bytes)
            s.push_back(static_cast<char>(g()));
        return s;
    }
    static const char* words[] = {"KELvar ",   "Laufwerk ",   "Datei ",   "Verzeichnis ",
                                  "Registry ", "Schluessel ", "Groesse ", "Attribute ",
                                  "\r\n",      "0815 "};
    while (s.size() < bytes)
        s += words[g() % 10];
    s.resize(bytes);
    return s;
}

// total bytes in eight files, packed into `volumes` volumes (0: volumes of 8 MiB).
inline std::vector<std::string> PackPayload(std::size_t total, std::size_t volumes) {
    std::vector<kvrpack::Entry> entries;
    const std::size_t per = total / 8;
    for (int i = 0; i < 8; ++i) {
        std::string content;
        for (std::size_t at = 0, k = 0; at < per; at += 1 << 20, ++k)
            content +=
                Payload(std::min<std::size_t>(1 << 20, per - at), i * 100 + k, (k + i) % 2 == 0);
        entries.push_back({"C:\\Kelvar\\Datei" + std::to_string(i) + ".dat", 0x2AB163C0,
                           std::move(content), false});
    }
    kvrpack::Options o;
    o.volumeSize = 8u << 20;
    if (volumes > 0) {
        std::size_t packed = 0;
        for (const auto& v : kvrpack::Pack(entries, o))
            packed += v.size();
        o.volumeSize = packed / volumes + 4096; // the markers take a few bytes more
    }
    return kvrpack::Pack(entries, o);
}

} // namespace bench
