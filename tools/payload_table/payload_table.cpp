// payload_table: the table of an installer folder's packed files, bound into
// Setup.exe before it is signed.
//
//   payload_table bind SETUP.EXE DIR   the table of DIR into SETUP.EXE's room
//   payload_table show SETUP.EXE       the bound table (and whether the checksum holds)
//   payload_table list DIR             the table of DIR
//
// The table covers every *.kvr and every continuation volume *.NNN in DIR
// (runtime/payload_table.h), sorted by name, so the same files give the same
// bytes. Binding rewrites the reserved room in place and sets the PE header
// checksum; the file keeps its size. Exit status 0, or 1 with the reason.
#include "pe_room.h"
#include "runtime/payload_room_id.h"
#include "runtime/payload_table.h"

#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    // Beside it first, then renamed over it: a failed write leaves the old file.
    const fs::path temp = path.string() + ".binding";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            throw std::runtime_error("cannot write " + temp.string());
    }
    fs::permissions(temp, fs::status(path).permissions());
    fs::rename(temp, path);
}

rt::PayloadEntry Digest(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                      &EVP_MD_CTX_free);
    if (!ctx || !EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr))
        throw std::runtime_error("no SHA-256 in libcrypto");
    rt::PayloadEntry e;
    e.name = path.filename().string();
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        EVP_DigestUpdate(ctx.get(), buffer.data(), got);
        e.size += got;
    }
    if (in.bad())
        throw std::runtime_error("cannot read " + path.string());
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), e.sha256.data(), &length);
    return e;
}

rt::PayloadTable TableOf(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file() && rt::IsPayloadFile(entry.path().filename().string()))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    rt::PayloadTable table;
    for (const fs::path& f : files)
        table.entries.push_back(Digest(f));
    return table;
}

int Usage() {
    std::cerr << "usage: payload_table bind SETUP.EXE DIR | show SETUP.EXE | list DIR\n";
    return 2;
}

int Run(const std::vector<std::string>& args) {
    if (args.size() == 3 && args[0] == "bind") {
        const rt::PayloadTable table = TableOf(args[2]);
        const std::string text = rt::FormatPayloadTable(table);
        std::string image = ReadAll(args[1]);
        pe::Bind(image, KELVAR_PAYLOAD_ROOM_ID, text);
        // Read back as Setup.exe will read it.
        const rt::PayloadTableResult back =
            rt::ParsePayloadTable(pe::RoomBytes(image, KELVAR_PAYLOAD_ROOM_ID));
        if (!back.ok() || back.table != table)
            throw std::runtime_error("the bound table does not read back: " + back.Message());
        WriteAll(args[1], image);
        std::cout << "bound " << table.entries.size() << " files (" << text.size() << " of "
                  << rt::kPayloadTableRoom << " bytes) into " << args[1] << "\n";
        return 0;
    }
    if (args.size() == 2 && args[0] == "show") {
        const std::string image = ReadAll(args[1]);
        const rt::PayloadTableResult r =
            rt::ParsePayloadTable(pe::RoomBytes(image, KELVAR_PAYLOAD_ROOM_ID));
        if (!r.ok()) {
            std::cerr << "payload_table: " << args[1] << ": " << r.Message() << "\n";
            return 1;
        }
        std::cout << rt::FormatPayloadTable(r.table);
        if (pe::Checksum(image) != pe::StoredChecksum(image)) {
            std::cerr << "payload_table: " << args[1] << ": the PE checksum does not hold\n";
            return 1;
        }
        return 0;
    }
    if (args.size() == 2 && args[0] == "list") {
        std::cout << rt::FormatPayloadTable(TableOf(args[1]));
        return 0;
    }
    return Usage();
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "payload_table: " << e.what() << "\n";
        return 1;
    }
}
