// kvrpack: packs files into a .kvr archive for the installer and its tests.
//
//   kvrpack -o OUT.kvr [archive options] [entry options] FILE ...
//
// Archive options: --header TEXT, --header-value N, --total N, --file-list,
// --volume-size BYTES, --block-size N (1-16384), --level 0-9.
// Entry options apply to the next FILE only: --name STORED (default C:\ and the
// file's name), --time DOSTIME (a number, or YYYY-MM-DDTHH:MM:SS local time;
// default the file's modification time), --store (no compression).
#include "packer.h"
#include "backup/format.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& msg) {
    std::cerr << "kvrpack: " << msg << "\n";
    std::exit(2);
}

long long Number(const std::string& opt, const std::string& s) {
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 0);
    if (s.empty() || *end != '\0' || errno != 0)
        Fail(opt + ": not a number: " + s);
    return v;
}

std::int32_t ParseTime(const std::string& s) {
    int y, mo, d, h, mi, se;
    char sep;
    if (std::sscanf(s.c_str(), "%d-%d-%d%c%d:%d:%d", &y, &mo, &d, &sep, &h, &mi, &se) == 7 &&
        (sep == 'T' || sep == ' ')) {
        if (y < 1980 || y > 2107 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 ||
            se > 59)
            Fail("--time out of range: " + s);
        return backup::PackDosDateTime({y, mo, d, h, mi, se});
    }
    const long long v = Number("--time", s);
    if (v < INT32_MIN || v > UINT32_MAX)
        Fail("--time out of range: " + s);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::int32_t FileDosTime(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        Fail("cannot stat " + path);
    std::tm tm;
    localtime_r(&st.st_mtime, &tm);
    if (tm.tm_year + 1900 < 1980)
        return backup::PackDosDateTime({1980, 1, 1, 0, 0, 0});
    return backup::PackDosDateTime(
        {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

std::string BaseName(const std::string& path) {
    const std::size_t i = path.find_last_of('/');
    return i == std::string::npos ? path : path.substr(i + 1);
}

} // namespace

int main(int argc, char** argv) {
    kvrpack::Options opt;
    std::vector<kvrpack::Entry> entries;
    std::string out;
    std::string nextName;
    std::string nextTime;
    bool nextStore = false;
    auto value = [&](int& i) -> std::string {
        if (i + 1 >= argc)
            Fail(std::string(argv[i]) + " needs a value");
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o")
            out = value(i);
        else if (a == "--header")
            opt.headerText = value(i);
        else if (a == "--header-value")
            opt.headerValue = static_cast<std::int32_t>(Number(a, value(i)));
        else if (a == "--total")
            opt.total = static_cast<std::int32_t>(Number(a, value(i)));
        else if (a == "--file-list")
            opt.fileList = true;
        else if (a == "--volume-size") {
            const long long v = Number(a, value(i));
            if (v < 64)
                Fail("--volume-size must be at least 64");
            opt.volumeSize = static_cast<std::size_t>(v);
        } else if (a == "--block-size") {
            const long long v = Number(a, value(i));
            if (v < 1 || v > static_cast<long long>(backup::kBlockSize))
                Fail("--block-size must be 1 to 16384");
            opt.blockSize = static_cast<std::size_t>(v);
        } else if (a == "--level") {
            const long long v = Number(a, value(i));
            if (v < 0 || v > 9)
                Fail("--level must be 0 to 9");
            opt.level = static_cast<int>(v);
        } else if (a == "--name")
            nextName = value(i);
        else if (a == "--time")
            nextTime = value(i);
        else if (a == "--store")
            nextStore = true;
        else if (a == "-h" || a == "--help") {
            std::cout
                << "usage: kvrpack -o OUT.kvr [--header TEXT] [--header-value N] [--total N]\n"
                   "               [--file-list] [--volume-size BYTES] [--block-size N]\n"
                   "               [--level 0-9] {[--name STORED] [--time DOSTIME] [--store] "
                   "FILE}...\n";
            return 0;
        } else if (!a.empty() && a[0] == '-' && a != "-")
            Fail("unknown option " + a);
        else {
            kvrpack::Entry e;
            e.content = ReadFile(a);
            e.storedName = nextName.empty() ? "C:\\" + BaseName(a) : nextName;
            e.dosTime = nextTime.empty() ? FileDosTime(a) : ParseTime(nextTime);
            e.storeOnly = nextStore;
            entries.push_back(std::move(e));
            nextName.clear();
            nextTime.clear();
            nextStore = false;
        }
    }
    if (out.empty())
        Fail("no output file (-o OUT.kvr)");
    if (!nextName.empty() || !nextTime.empty() || nextStore)
        Fail("entry options after the last file");
    std::vector<std::string> volumes;
    try {
        volumes = kvrpack::Pack(entries, opt);
    } catch (const kvrpack::PackError& e) {
        Fail(e.what());
    }
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const std::string name = backup::VolumeFile(out, i);
        std::ofstream f(name, std::ios::binary | std::ios::trunc);
        f.write(volumes[i].data(), static_cast<std::streamsize>(volumes[i].size()));
        if (!f)
            Fail("cannot write " + name);
        std::cout << name << " " << volumes[i].size() << "\n";
    }
    return 0;
}
