// What keeps the elevated run from being hijacked, as far as Wine shows it:
// the temporary folder's access and hold, the session-end refusal, and the
// run-time loading of non-KnownDLLs.
#include "importhook.h"
#include "runtime/errors.h"
#include "toolkit/dll_preload.h"
#include "toolkit/files.h"
#include "toolkit/session.h"
#include "toolkit/system_dll.h"
#include "toolkit/window.h"
#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

namespace {

std::string TempFolder() {
    char dir[MAX_PATH];
    const DWORD n = ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir, n > 0 ? n - 1 : 0); // without its trailing backslash
}

std::string FreshPath(const char* name) {
    const std::string path = TempFolder() + "\\" + name;
    ::RemoveDirectoryA(path.c_str());
    return path;
}

std::string DaclSddl(const std::string& path) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return "(unreadable)";
    char* text = nullptr;
    std::string result = "(unconvertible)";
    if (::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        result = text;
        ::LocalFree(text);
    }
    ::LocalFree(sd);
    return result;
}

TEST(AdminFolder, IsClosedToOthersHeldUntilReleasedAndNeverReused) {
    const std::string path = FreshPath("Kvr5~tmp");
    const std::string moved = path + "-moved";
    tk::FolderHold hold;
    ASSERT_EQ(tk::CreateAdminFolder(path, hold), tk::NewFolder::Created);
    EXPECT_TRUE(hold);

    // Wine keeps no custom access list, but any access for others would show
    // as an entry for Everyone; an unprotected folder under Wine has one.
    const std::string sddl = DaclSddl(path);
    EXPECT_EQ(sddl.find(";;;WD)"), std::string::npos) << sddl;
    EXPECT_NE(sddl.find("D:"), std::string::npos) << sddl;

    // Held without delete sharing: it can be neither renamed nor removed.
    EXPECT_FALSE(::MoveFileA(path.c_str(), moved.c_str()));
    EXPECT_FALSE(::RemoveDirectoryA(path.c_str()));
    // Files inside stay usable.
    const std::string file = path + "\\Lockbox.kvr";
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    EXPECT_TRUE(::DeleteFileA(file.c_str()));

    // An existing name, whoever made it, is taken.
    tk::FolderHold other;
    EXPECT_EQ(tk::CreateAdminFolder(path, other), tk::NewFolder::Taken);
    EXPECT_FALSE(other);
    EXPECT_EQ(tk::CreateAdminFolder(path + "\\missing\\below", other), tk::NewFolder::Failed);

    hold.Release();
    EXPECT_TRUE(::RemoveDirectoryA(path.c_str()));
}

bool SddlLetsUsersWrite(const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd,
                                                                nullptr))
        throw std::runtime_error(std::string("bad SDDL ") + sddl);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    const bool result = tk::AclLetsUsersWrite(present ? dacl : nullptr);
    ::LocalFree(sd);
    return result;
}

// Wine keeps a folder's access as its mode bits only, so the decision is
// tested on the access lists Windows gives these folders.
TEST(ProgramFolder, ProtectedWhereOrdinaryUsersMayWriteInTheParent) {
    // C:\ of Windows 10: Authenticated Users may create folders.
    EXPECT_TRUE(SddlLetsUsersWrite("D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
                                   "(A;CIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)"));
    // A second NTFS drive: Authenticated Users may modify.
    EXPECT_TRUE(SddlLetsUsersWrite("D:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1301bf;;;AU)"));
    EXPECT_TRUE(SddlLetsUsersWrite("D:(A;;GA;;;WD)"));
    EXPECT_TRUE(tk::AclLetsUsersWrite(nullptr)) << "no access list";
    // Program Files: Users read and execute; rights for others only on their own new folders.
    EXPECT_FALSE(SddlLetsUsersWrite("D:PAI(A;OICIIO;GA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
                                    "(A;OICI;0x1200a9;;;BU)(A;CIIO;GA;;;AU)"));
    // What ForceProgramDirectories gives.
    EXPECT_FALSE(SddlLetsUsersWrite("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"));

    const std::string top = FreshPath("KelvarProgram");
    const std::string target = top + "\\Sub\\KELvar";
    ASSERT_TRUE(tk::ForceProgramDirectories(target));
    EXPECT_TRUE(tk::ForceProgramDirectories(target)) << "an existing target counts as success";
    for (const std::string& d : {target, top + "\\Sub", top})
        EXPECT_TRUE(::RemoveDirectoryA(d.c_str())) << d;
}

class Plain : public tk::TWindow {
public:
    Plain() {
        RegisterWindowClass({.name = "KelvarTestPlain"});
        CreateHandle(0, "KelvarTestPlain", "Test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                     nullptr);
    }
};

TEST(SessionEnd, RefusedWhileABlockIsHeldAndAllowedAfter) {
    Plain window;
    ASSERT_TRUE(window.Handle());
    EXPECT_NE(::SendMessageA(window.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
    {
        const tk::SessionEndBlock block(window.Handle(), "Die Installation läuft noch.");
        EXPECT_EQ(::SendMessageA(window.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
        EXPECT_TRUE(tk::SessionEndBlock::Active());
    }
    EXPECT_FALSE(tk::SessionEndBlock::Active());
    EXPECT_NE(::SendMessageA(window.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
}

TEST(SystemFunction, LoadsFromTheSystemDirectoryAndNamesWhatIsMissing) {
    const tk::SystemFunction<decltype(::WNetGetConnectionA)> present("mpr.dll",
                                                                     "WNetGetConnectionA");
    ASSERT_NE(present.Find(), nullptr);
    char system[MAX_PATH], loaded[MAX_PATH];
    ::GetSystemDirectoryA(system, MAX_PATH);
    ::GetModuleFileNameA(tk::SystemModule("mpr.dll"), loaded, MAX_PATH);
    EXPECT_EQ(::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, system, -1, loaded,
                               static_cast<int>(strlen(system))),
              CSTR_EQUAL)
        << loaded;

    const tk::SystemFunction<decltype(::WNetGetConnectionA)> missing("mpr.dll", "NoSuchFunction");
    EXPECT_EQ(missing.Find(), nullptr);
    try {
        missing.Get();
        ADD_FAILURE() << "a missing function must raise";
    } catch (const rt::Exception& e) {
        EXPECT_NE(e.Message().find("NoSuchFunction"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("mpr.dll"), std::string::npos) << e.Message();
    }
    const tk::SystemFunction<int()> noDll("kelvar-not-there.dll", "F");
    EXPECT_EQ(noDll.Find(), nullptr);
}

} // namespace

namespace {

std::string ModulePath(const char* name) {
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(::GetModuleHandleA(name), path, MAX_PATH);
    return path;
}

bool InSystemDirectory(const std::string& path) {
    char system[MAX_PATH];
    const UINT n = ::GetSystemDirectoryA(system, MAX_PATH);
    return path.size() > n && path[n] == '\\' &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, system, static_cast<int>(n),
                            path.c_str(), static_cast<int>(n)) == CSTR_EQUAL;
}

// Windows 7 without KB2533623: LoadLibraryExA refuses the search flags.
struct OldLoader {
    static inline decltype(&::LoadLibraryExA) original = nullptr;
    static inline std::vector<DWORD> flagsSeen;
    static HMODULE WINAPI Hook(LPCSTR name, HANDLE file, DWORD flags) {
        flagsSeen.push_back(flags);
        if (flags & (LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return original(name, file, flags);
    }
};

TEST(DllPreload, LoadsEachDllThisSystemHasFromTheSystemDirectoryAlsoWithoutSearchFlags) {
    const int loaded = tk::PreloadSystemDlls();
    EXPECT_GE(loaded, 10) << "Wine has most of them";
    int found = 0;
    for (std::string_view name : tk::PreloadedDllNames()) {
        const std::string dll(name);
        if (!::GetModuleHandleA(dll.c_str()))
            continue;
        ++found;
        EXPECT_TRUE(InSystemDirectory(ModulePath(dll.c_str()))) << ModulePath(dll.c_str());
    }
    EXPECT_EQ(found, loaded);
    EXPECT_EQ(tk::PreloadSystemDlls(), loaded) << "again: the same modules, nothing new";

    ImportHook hook("kernel32.dll", "LoadLibraryExA",
                    reinterpret_cast<const void*>(&OldLoader::Hook));
    ASSERT_TRUE(hook.Active());
    OldLoader::original = hook.Original<decltype(&::LoadLibraryExA)>();
    EXPECT_EQ(tk::PreloadSystemDlls(), loaded);
    // Each DLL asked for by its full path, first with the search flags, then
    // with the altered search order that starts in its own folder.
    ASSERT_EQ(OldLoader::flagsSeen.size(), 2 * tk::PreloadedDllNames().size());
    for (std::size_t i = 0; i < OldLoader::flagsSeen.size(); i += 2)
        EXPECT_EQ(OldLoader::flagsSeen[i + 1], static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
}

} // namespace

namespace {

// The folder of the links that tests/win32/with_links.sh made: Link and
// Planted, Unix symbolic links to Elsewhere. Wine reports them as reparse
// points, as Windows does a junction.
std::string Links() {
    char dir[MAX_PATH] = "";
    const DWORD n = ::GetEnvironmentVariableA("KELVAR_LINKS", dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? dir : "";
}

bool IsDirectory(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Each CreateDirectoryA call: the path and whether it came with an access list.
struct DirectoryCalls {
    static inline decltype(&::CreateDirectoryA) original = nullptr;
    static inline std::vector<std::pair<std::string, bool>> seen;
    static inline std::string raceFor; // made by "someone else" just before the call
    static BOOL WINAPI Hook(LPCSTR path, LPSECURITY_ATTRIBUTES sa) {
        seen.emplace_back(path, sa != nullptr);
        if (raceFor == path)
            original(path, nullptr);
        return original(path, sa);
    }
};

TEST(TargetFolder, MakesEachMissingFolderItselfOnlyTheOutermostWithItsOwnAccessAndHoldsIt) {
    const std::string top = FreshPath("KelvarTarget");
    const std::string target = top + "\\Programme\\KELvar 5.0";
    {
        ImportHook hook("kernel32.dll", "CreateDirectoryA",
                        reinterpret_cast<const void*>(&DirectoryCalls::Hook));
        ASSERT_TRUE(hook.Active());
        DirectoryCalls::original = hook.Original<decltype(&::CreateDirectoryA)>();
        DirectoryCalls::seen.clear();
        EXPECT_EQ(tk::CreateTargetFolder(target + "\\"), tk::TargetFolder::Created);
    }
    const std::vector<std::pair<std::string, bool>> expected = {
        {top, tk::UsersMayWrite(TempFolder())}, {top + "\\Programme", false}, {target, false}};
    EXPECT_EQ(DirectoryCalls::seen, expected);
    EXPECT_EQ(tk::CreateTargetFolder(target), tk::TargetFolder::Existed);

    tk::FolderHold hold = tk::HoldFolder(target);
    ASSERT_TRUE(hold);
    EXPECT_FALSE(::MoveFileA(target.c_str(), (target + "-moved").c_str()));
    EXPECT_FALSE(::RemoveDirectoryA(target.c_str()));
    const std::string file = target + "\\Launch.exe";
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "files inside stay usable";
    ::CloseHandle(h);
    EXPECT_TRUE(::DeleteFileA(file.c_str()));
    tk::FolderHold moved = std::move(hold);
    EXPECT_FALSE(hold);
    moved.Release();
    for (const std::string& d : {target, top + "\\Programme", top})
        EXPECT_TRUE(::RemoveDirectoryA(d.c_str())) << d;
}

TEST(TargetFolder, RefusesAFolderSomeoneMadeMeanwhileALinkOnTheWayAndAFile) {
    const std::string top = FreshPath("KelvarRace");
    {
        ImportHook hook("kernel32.dll", "CreateDirectoryA",
                        reinterpret_cast<const void*>(&DirectoryCalls::Hook));
        DirectoryCalls::original = hook.Original<decltype(&::CreateDirectoryA)>();
        DirectoryCalls::raceFor = top + "\\Sub";
        EXPECT_EQ(tk::CreateTargetFolder(top + "\\Sub\\KELvar"), tk::TargetFolder::AlreadyExists);
        DirectoryCalls::raceFor.clear();
    }
    EXPECT_FALSE(IsDirectory(top + "\\Sub\\KELvar")) << "nothing made inside someone else's folder";
    ::RemoveDirectoryA((top + "\\Sub").c_str());

    // A link on the way, and a link as the target itself.
    const std::string links = Links();
    ASSERT_FALSE(links.empty()) << "run through ctest: tests/win32/with_links.sh makes the links";
    const std::string link = links + "\\Link", elsewhere = links + "\\Elsewhere";
    ASSERT_NE(::GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(tk::CreateTargetFolder(link + "\\KELvar"), tk::TargetFolder::ReparsePoint);
    EXPECT_FALSE(IsDirectory(elsewhere + "\\KELvar")) << "nothing made through the link";
    EXPECT_EQ(tk::CreateTargetFolder(link), tk::TargetFolder::ReparsePoint);
    EXPECT_FALSE(tk::HoldFolder(link));
    EXPECT_TRUE(tk::HoldFolder(elsewhere));

    const std::string file = top + "\\File";
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(h);
    EXPECT_EQ(tk::CreateTargetFolder(file + "\\KELvar"), tk::TargetFolder::Failed);
    EXPECT_EQ(tk::CreateTargetFolder("KELvar"), tk::TargetFolder::Failed);
    EXPECT_EQ(tk::CreateTargetFolder(top + "\\" + std::string(260, 'x')), tk::TargetFolder::Failed);

    ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(top.c_str());
}

// Between its creation and its hold the folder is replaced by a link: what
// the hold looks at by that name is the link. (Wine cannot move a link in
// place: it would move what the link leads to.)
struct SwapBeforeHold {
    static inline decltype(&::CreateFileA) openFile = nullptr;
    static inline decltype(&::GetFileAttributesA) attributes = nullptr;
    static inline std::string folder, link;
    static const char* Seen(LPCSTR path) { return folder == path ? link.c_str() : path; }
    static HANDLE WINAPI Open(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD flags, HANDLE templ) {
        return openFile(Seen(path), access, share, sa, disposition, flags, templ);
    }
    static DWORD WINAPI Attributes(LPCSTR path) { return attributes(Seen(path)); }
};

TEST(AdminFolder, AFolderThatCannotBeHeldIsRemovedAgainAndALinkGoesNotItsTarget) {
    const std::string links = Links();
    ASSERT_FALSE(links.empty()) << "run through ctest: tests/win32/with_links.sh makes the links";
    const std::string path = FreshPath("Kvr5~tmp");
    SwapBeforeHold::folder = path;
    SwapBeforeHold::link = links + "\\Planted";
    tk::FolderHold hold;
    {
        ImportHook open("kernel32.dll", "CreateFileA",
                        reinterpret_cast<const void*>(&SwapBeforeHold::Open));
        ImportHook attributes("kernel32.dll", "GetFileAttributesA",
                              reinterpret_cast<const void*>(&SwapBeforeHold::Attributes));
        ASSERT_TRUE(open.Active() && attributes.Active());
        SwapBeforeHold::openFile = open.Original<decltype(&::CreateFileA)>();
        SwapBeforeHold::attributes = attributes.Original<decltype(&::GetFileAttributesA)>();
        EXPECT_EQ(tk::CreateAdminFolder(path, hold), tk::NewFolder::Failed);
    }
    EXPECT_FALSE(hold);
    EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "removed again";

    // Had the link itself stood there, the removal would not reach what it
    // leads to (Windows removes a junction itself; Wine leaves a Unix link).
    const std::string inside = links + "\\Elsewhere\\kept.txt";
    HANDLE h = ::CreateFileA(inside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    ::RemoveDirectoryA(SwapBeforeHold::link.c_str());
    EXPECT_NE(::GetFileAttributesA(inside.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileA(inside.c_str());
}

} // namespace
