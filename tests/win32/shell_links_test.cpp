// Special folders and the shell-link writer, against Wine's shell.
#include "shell/special_folder.h"
#include "shell/shortcut_dialog.h"
#include "shell_testutil.h"
#include "toolkit/handles.h"

#include <gtest/gtest.h>

using namespace shelltest;

namespace {

class ShellLinks : public ::testing::Test {
protected:
    tk::ComApartment com_;
};

bool EndsWithOneBackslash(const std::string& p) {
    return p.size() >= 2 && p.back() == '\\' && p[p.size() - 2] != '\\';
}

} // namespace

TEST_F(ShellLinks, SpecialFoldersEndInOneBackslash) {
    ASSERT_TRUE(com_.Entered());
    TempDir tmp;
    const std::string desk = tmp.Sub("Schreibtisch"), start = tmp.Sub("Startmenü"),
                      progs = tmp.Sub("Startmenü\\Programme");
    ShellFolderRedirect redirect(desk, start, progs);
    EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), desk + "\\");
    EXPECT_EQ(SpecialFolderPath(CSIDL_STARTMENU), start + "\\");
    EXPECT_EQ(SpecialFolderPath(CSIDL_PROGRAMS), progs + "\\");
    const std::string windows = SpecialFolderPath(CSIDL_WINDOWS);
    EXPECT_TRUE(EndsWithOneBackslash(windows)) << windows;
}

TEST_F(ShellLinks, UnresolvableFolderGivesEmptyString) {
    TempDir tmp;
    // A Programs folder that does not exist cannot be resolved.
    ShellFolderRedirect redirect(tmp.Sub("D"), tmp.Sub("S"), tmp.Sub("missing", false));
    EXPECT_EQ(SpecialFolderPath(CSIDL_PROGRAMS), "");
    EXPECT_EQ(SpecialFolderPath(0x00FE), ""); // no such identifier
}

TEST_F(ShellLinks, LinkWrittenAndReadBack) {
    TempDir tmp;
    const std::string link = tmp.Path() + "\\KELvar 5.0.lnk";
    EXPECT_TRUE(CreateShellLink("C:\\Programme\\KELvar\\Launch.exe", link, "KELvar 5.0"));
    const LinkInfo info = ReadLink(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.path, "C:\\Programme\\KELvar\\Launch.exe");
    EXPECT_EQ(info.description, "KELvar 5.0");
    // Nothing else is set: the shell-link object's defaults stay.
    EXPECT_EQ(info.workingDir, "");
    EXPECT_EQ(info.arguments, "");
    EXPECT_EQ(info.iconPath, "");
    EXPECT_EQ(info.hotkey, 0);
    EXPECT_EQ(info.showCmd, SW_SHOWNORMAL);
}

TEST_F(ShellLinks, UmlautsInTargetAndLinkPath) {
    TempDir tmp;
    const std::string folder = tmp.Sub("Verknüpfungen für Jürgen");
    const std::string link = folder + "\\KELvar 5.0.lnk";
    EXPECT_TRUE(CreateShellLink("C:\\Programme\\Größe\\Launch.exe", link, "KELvar 5.0"));
    // The file carries the ANSI name converted through the code page, not a mangled one.
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"KELvar 5.0.lnk"});
    const LinkInfo info = ReadLink(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.path, "C:\\Programme\\Größe\\Launch.exe");
}

TEST_F(ShellLinks, ExistingFileIsReplaced) {
    TempDir tmp;
    const std::string link = tmp.Path() + "\\KELvar 5.0.lnk";
    WriteFileBytes(link, "not a link at all");
    EXPECT_TRUE(CreateShellLink("D:\\Launch.exe", link, "KELvar 5.0"));
    const LinkInfo info = ReadLink(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.path, "D:\\Launch.exe");
}

TEST_F(ShellLinks, SaveIntoMissingFolderIsIssuedButWritesNothing) {
    TempDir tmp;
    const std::string link = tmp.Path() + "\\gibt es nicht\\KELvar 5.0.lnk";
    EXPECT_TRUE(CreateShellLink("C:\\x\\Launch.exe", link, "KELvar 5.0"));
    EXPECT_FALSE(FileExists(link));
    EXPECT_TRUE(FilesIn(tmp.Path()).empty());
}

TEST(ShellLinksNoApartment, WithoutComNoLinkAndFalse) {
    TempDir tmp;
    const std::string link = tmp.Path() + "\\KELvar 5.0.lnk";
    bool result = true;
    // A thread that never entered an apartment cannot create the object.
    std::thread([&] { result = CreateShellLink("C:\\Launch.exe", link, "KELvar 5.0"); }).join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(FileExists(link));
}
