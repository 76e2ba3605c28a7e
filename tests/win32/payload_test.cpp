// The payload table on the platform: SHA-256 of files by CNG against known
// values, the file held against writers while it is hashed, and the table
// read out of a program's image after binding, whose checksum the system's
// own routine confirms.
#include "importhook.h"
#include "pe_room.h"
#include "runtime/payload_room_id.h"
#include "toolkit/file_hash.h"
#include "toolkit/payload_room.h"
#include "toolkit/system_dll.h"
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>
#include <windows.h>
#include <imagehlp.h>

namespace {

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    const DWORD n = ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir, n) + name;
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Hex(const std::string& path, std::uint64_t* bytes = nullptr) {
    std::uint64_t n = 0;
    rt::Sha256 hash{};
    if (!tk::FileSha256(path, n, hash))
        return "failed " + std::to_string(::GetLastError());
    if (bytes)
        *bytes = n;
    return rt::ToHex(hash);
}

TEST(FileHash, GivesTheKnownSha256OfEmptyShortAndMultiChunkFiles) {
    const std::string path = TempFile("kelvar-hash.bin");
    Write(path, "");
    EXPECT_EQ(Hex(path), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    Write(path, "abc");
    EXPECT_EQ(Hex(path), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Three pieces of 1 MiB and a part: every piece counts, in order.
    std::string big(3000000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i % 251);
    Write(path, big);
    std::uint64_t bytes = 0;
    EXPECT_EQ(Hex(path, &bytes),
              "4d3870d4655ed773027a713ea136507d22e076248e0e9cc920a996039653b76f");
    EXPECT_EQ(bytes, big.size());
    std::uint64_t size = 0;
    EXPECT_TRUE(tk::FileSize(path, size));
    EXPECT_EQ(size, big.size());

    // CNG came from the system directory, not from beside the program.
    char system[MAX_PATH], loaded[MAX_PATH] = "";
    ::GetSystemDirectoryA(system, MAX_PATH);
    ::GetModuleFileNameA(::GetModuleHandleA("bcrypt.dll"), loaded, MAX_PATH);
    EXPECT_EQ(::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, system, -1, loaded,
                               static_cast<int>(strlen(system))),
              CSTR_EQUAL)
        << loaded;
    ::DeleteFileA(path.c_str());
}

struct WriterDuringRead {
    static inline std::string path;
    static inline int reads = 0, writersLetIn = 0;
    static inline decltype(&::ReadFile) original = nullptr;
    static BOOL WINAPI Hook(HANDLE h, LPVOID buf, DWORD n, LPDWORD got, LPOVERLAPPED ov) {
        ++reads;
        HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
        if (writer != INVALID_HANDLE_VALUE) {
            ++writersLetIn;
            ::CloseHandle(writer);
        }
        return original(h, buf, n, got, ov);
    }
};

TEST(FileHash, KeepsWritersOutWhileHashingAndReportsWhatItCannotRead) {
    const std::string path = TempFile("kelvar-held.bin");
    Write(path, std::string(2500000, 'k'));
    WriterDuringRead::path = path;
    {
        ImportHook hook("kernel32.dll", "ReadFile",
                        reinterpret_cast<const void*>(&WriterDuringRead::Hook));
        ASSERT_TRUE(hook.Active());
        WriterDuringRead::original = hook.Original<decltype(&::ReadFile)>();
        EXPECT_EQ(Hex(path).size(), 64u);
    }
    EXPECT_GE(WriterDuringRead::reads, 3);
    EXPECT_EQ(WriterDuringRead::writersLetIn, 0);

    // A file someone holds for writing, and a missing one: unreadable.
    rt::PayloadTable table{{{"Held.kvr", 2500000, {}}, {"Gone.kvr", 1, {}}}};
    tk::PlatformDigests platform;
    HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(rt::Check(table, "Held.kvr", path, platform), rt::Verdict::Unreadable);
    ::CloseHandle(writer);
    EXPECT_EQ(rt::Check(table, "Held.kvr", path, platform), rt::Verdict::HashDiffers);
    EXPECT_EQ(rt::Check(table, "Gone.kvr", TempFile("kelvar-gone.bin"), platform),
              rt::Verdict::Unreadable);
    ::DeleteFileA(path.c_str());
}

struct CopyFaults {
    static inline std::string copy;
    static inline int reads = 0, failAtRead = 0, writersLetIn = 0;
    static inline decltype(&::ReadFile) read = nullptr;
    static inline decltype(&::WriteFile) write = nullptr;
    static BOOL WINAPI Read(HANDLE h, LPVOID buf, DWORD n, LPDWORD got, LPOVERLAPPED ov) {
        if (++reads == failAtRead) {
            ::SetLastError(ERROR_CRC);
            return FALSE;
        }
        return read(h, buf, n, got, ov);
    }
    static BOOL WINAPI Write(HANDLE h, LPCVOID buf, DWORD n, LPDWORD put, LPOVERLAPPED ov) {
        HANDLE other = ::CreateFileA(copy.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        if (other != INVALID_HANDLE_VALUE) {
            ++writersLetIn;
            ::CloseHandle(other);
        }
        return write(h, buf, n, put, ov);
    }
};

TEST(FileHash, CopyHashesTheBytesItWritesAndLeavesNothingWhenItFails) {
    const std::string from = TempFile("kelvar-copy-from.bin"), to = TempFile("kelvar-copy-to.bin");
    // More pieces than the ring has buffers, and a part: the hash follows them in order.
    std::string big(7 * 1048576 + 12345, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 7919) >> 9);
    Write(from, big);
    Write(to, std::string(9000000, 'x')); // a longer file there is replaced
    CopyFaults::copy = to;
    std::uint64_t bytes = 0;
    rt::Sha256 hash{};
    {
        ImportHook hookWrite("kernel32.dll", "WriteFile",
                             reinterpret_cast<const void*>(&CopyFaults::Write));
        ASSERT_TRUE(hookWrite.Active());
        CopyFaults::write = hookWrite.Original<decltype(&::WriteFile)>();
        ASSERT_TRUE(tk::CopyFileSha256(from, to, bytes, hash)) << ::GetLastError();
    }
    EXPECT_EQ(CopyFaults::writersLetIn, 0);
    EXPECT_EQ(bytes, big.size());
    EXPECT_TRUE(Read(to) == big);
    EXPECT_EQ(rt::ToHex(hash), Hex(from));
    EXPECT_EQ(Hex(to), Hex(from));

    // A read that fails halfway: false with its error, and no part of the copy left.
    {
        ImportHook hookRead("kernel32.dll", "ReadFile",
                            reinterpret_cast<const void*>(&CopyFaults::Read));
        ASSERT_TRUE(hookRead.Active());
        CopyFaults::read = hookRead.Original<decltype(&::ReadFile)>();
        CopyFaults::reads = 0;
        CopyFaults::failAtRead = 4;
        EXPECT_FALSE(tk::CopyFileSha256(from, to, bytes, hash));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_CRC));
        CopyFaults::failAtRead = 0;
    }
    EXPECT_EQ(::GetFileAttributesA(to.c_str()), INVALID_FILE_ATTRIBUTES);
    // A missing source: false, and nothing made.
    EXPECT_FALSE(tk::CopyFileSha256(TempFile("kelvar-gone.bin"), to, bytes, hash));
    EXPECT_EQ(::GetFileAttributesA(to.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileA(from.c_str());
}

TEST(PayloadRoom, ReadsTheTableBoundIntoAProgramAndNothingFromAnUnboundOne) {
    // This test program carries the room as Setup.exe does, unbound.
    EXPECT_EQ(tk::OwnPayloadTable().error, rt::PayloadTableError::Unbound);

    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string copy = TempFile("kelvar-bound.exe");
    std::string image = Read(self);
    ASSERT_FALSE(image.empty());

    // Files of a payload, checked through the bound table as the run will.
    const std::string file = TempFile("Lockbox.kvr");
    Write(file, "packed bytes");
    std::uint64_t bytes = 0;
    rt::Sha256 hash{};
    ASSERT_TRUE(tk::FileSha256(file, bytes, hash));
    const rt::PayloadTable table{{{"Lockbox.kvr", bytes, hash}, {"Kelvar5.002", 0, {}}}};
    pe::Bind(image, KELVAR_PAYLOAD_ROOM_ID, rt::FormatPayloadTable(table));
    Write(copy, image);

    // The checksum as the system computes it.
    DWORD stored = 0, computed = 0;
    ASSERT_EQ(::MapFileAndCheckSumA(copy.c_str(), &stored, &computed), CHECKSUM_SUCCESS);
    EXPECT_EQ(stored, computed);
    EXPECT_NE(stored, 0u);

    HMODULE module = ::LoadLibraryExA(copy.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    const rt::PayloadTableResult read = tk::PayloadTableOf(module);
    ::FreeLibrary(module);
    ASSERT_TRUE(read.ok()) << read.Message();
    EXPECT_EQ(read.table, table);
    tk::PlatformDigests platform;
    EXPECT_EQ(rt::Check(read.table, "LOCKBOX.KVR", file, platform), rt::Verdict::Ok);
    Write(file, "packed bytez");
    EXPECT_EQ(rt::Check(read.table, "Lockbox.kvr", file, platform), rt::Verdict::HashDiffers);

    // A program without a room.
    EXPECT_EQ(tk::PayloadTableOf(::GetModuleHandleA("kernel32.dll")).error,
              rt::PayloadTableError::NoRoom);
    ::DeleteFileA(copy.c_str());
    ::DeleteFileA(file.c_str());
}

} // namespace
