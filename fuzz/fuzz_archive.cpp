// libFuzzer target: one restore run over fuzzed archive volumes, in memory.
// Input: one byte of settings, then the volumes, separated by "\xF0VOL".
// Every open volume and output must be closed again, whatever the run raised.
#include "backup/archive_reader.h"
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kSeparator = "\xF0VOL";

class Host : public backup::RestoreHost {
public:
    std::map<std::string, std::string> volumes;
    std::map<std::string, std::size_t> sizes; // output sizes; content is not kept
    std::map<std::string, std::int32_t> ages;
    int openSources = 0;
    int openOutputs = 0;
    int prompts = 0;
    unsigned flags = 0;

    struct Source : backup::MemorySource {
        Source(const std::string& s, int& n) : MemorySource(s), n(n) { ++n; }
        ~Source() override { --n; }
        int& n;
    };
    struct Out : backup::OutputFile {
        Out(Host& h, std::string p) : h(h), p(std::move(p)) { ++h.openOutputs; }
        ~Out() override { --h.openOutputs; }
        void Write(const void*, std::size_t n) override {
            if (n == 0 || n > backup::kBlockSize)
                std::abort(); // the run writes whole blocks only
            h.sizes[p] += n;
        }
        void SetDateTime(std::int32_t d) override { h.ages[p] = d; }
        Host& h;
        std::string p;
    };

    bool FileExists(const std::string& p) override {
        return volumes.count(p) != 0 || sizes.count(p) != 0;
    }
    std::unique_ptr<backup::ByteSource> OpenSource(const std::string& p) override {
        auto it = volumes.find(p);
        if (it == volumes.end())
            throw rt::EFOpenError(p);
        return std::make_unique<Source>(it->second, openSources);
    }
    std::optional<std::int32_t> FileAge(const std::string& p) override {
        auto it = ages.find(p);
        if (it == ages.end())
            return std::nullopt;
        return it->second;
    }
    bool ForceDirectories(const std::string& d) override {
        return (flags & 0x80) == 0 || d.size() % 2;
    }
    std::unique_ptr<backup::OutputFile> CreateOutput(const std::string& p) override {
        // Names the run produces always stay below the target directory.
        if ((flags & 0x10) == 0 && p.compare(0, 7, "T:\\Out\\") != 0)
            std::abort();
        if (p.find("\\..\\") != std::string::npos || p.find('/') != std::string::npos)
            std::abort();
        sizes[p] = 0;
        return std::make_unique<Out>(*this, p);
    }
    std::unique_ptr<backup::OutputFile> OpenForAppend(const std::string& p) override {
        if (sizes.count(p) == 0)
            throw rt::EFOpenError(p);
        return std::make_unique<Out>(*this, p);
    }
    void ProcessMessages() override {}
    void Progress(const std::string&, int, bool& cont) override {
        if ((flags & 0x40) && ++progressCalls > 50)
            cont = false;
    }
    void NeedDisk(const std::string&, bool& cont) override { cont = ++prompts < 6; }
    void RestoreFile(std::string& f, std::int32_t fa, bool& doRestore) override {
        if (flags & 0x20)
            doRestore = (fa & 1) != 0;
        (void)f;
    }
    void FileRestored(std::string&, std::unique_ptr<backup::OutputFile>&) override {}
    void ReportError(int code, const std::string&) override {
        if (code != 1 && code != 6)
            std::abort();
    }
    int progressCalls = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    Host host;
    host.flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    static const char* names[] = {"A:\\X.kvr", "A:\\X.002", "A:\\X.003", "A:\\X.004", "A:\\X.010"};
    for (const char* name : names) {
        const std::size_t sep = rest.find(kSeparator);
        host.volumes[name] = std::string(rest.substr(0, sep));
        if (sep == std::string_view::npos)
            break;
        rest.remove_prefix(sep + kSeparator.size());
    }
    backup::RestoreSettings settings;
    settings.mode = static_cast<backup::TRestoreMode>(data[0] % 5);
    settings.fullPath = (data[0] & 0x08) != 0;
    backup::RunState state;
    try {
        backup::Restore(settings, state, host, "A:\\X.kvr", (data[0] & 0x10) ? "" : "T:\\Out",
                        nullptr);
    } catch (const rt::Exception&) {
    }
    if (host.openSources != 0 || host.openOutputs != 0)
        std::abort();
    return 0;
}
