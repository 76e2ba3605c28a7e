// The name page's checks in their order, the drive number, the free-space
// threshold, the default target, the drive page's root, the picker's tree,
// and the path shortening's corners.
#include "runtime/checks.h"
#include "runtime/shortenpath.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

// A machine with these directories, Windows in C:\WINNT and `space` bytes free everywhere.
struct FakeMachine {
    std::set<std::string> dirs{"C:\\Programme", "C:\\WINNT", "C:"};
    std::int64_t space = 1LL << 30;
    std::vector<std::string> dirQueries;
    std::vector<int> spaceQueries;

    rt::NameCheckPlatform Platform() {
        return {[this](const std::string& p) {
                    dirQueries.push_back(p);
                    return dirs.count(p) > 0;
                },
                "C:\\WINNT",
                [this](int drive) {
                    spaceQueries.push_back(drive);
                    return space;
                }};
    }
};

using rt::NameCheck;

TEST(NameChecks, BlanksAndControlCharactersCountAsEmptyAndTheNameComesFirst) {
    FakeMachine m;
    EXPECT_EQ(rt::CheckNamePage("", "", m.Platform()), NameCheck::NoName);
    EXPECT_EQ(rt::CheckNamePage(" \t ", "C:\\Neu", m.Platform()), NameCheck::NoName);
    EXPECT_EQ(rt::CheckNamePage("Anna", "   ", m.Platform()), NameCheck::NoTarget);
    EXPECT_EQ(rt::CheckNamePage("Anna", "\r\n", m.Platform()), NameCheck::NoTarget);
    // Nothing is asked of the machine before both fields are filled.
    EXPECT_TRUE(m.dirQueries.empty());
    EXPECT_TRUE(m.spaceQueries.empty());
}

TEST(NameChecks, ExistingDirectoryWithOrWithoutOneTrailingBackslash) {
    FakeMachine m;
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Programme", m.Platform()), NameCheck::TargetExists);
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Programme\\", m.Platform()), NameCheck::TargetExists);
    // Only one backslash is removed: "C:\Programme\" is looked up, which is not listed.
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Programme\\\\", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(m.dirQueries.back(), "C:\\Programme\\");
    // A drive root loses its backslash and names the drive's current folder.
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\", m.Platform()), NameCheck::TargetExists);
    // The target is looked up as typed, blanks included.
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Programme ", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(m.dirQueries.back(), "C:\\Programme ");
}

TEST(NameChecks, TheTargetMustBeAFullPathOnTheWindowsDrive) {
    FakeMachine m;
    EXPECT_EQ(rt::CheckNamePage("A", "c:\\Neu", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(rt::CheckNamePage("A", "D:\\Neu", m.Platform()), NameCheck::NotWindowsDrive);
    EXPECT_EQ(rt::CheckNamePage("A", " C:\\Neu", m.Platform()), NameCheck::NotWindowsDrive);
    EXPECT_EQ(rt::CheckNamePage("A", "\\\\server\\share", m.Platform()),
              NameCheck::NotWindowsDrive);
    // Relative forms on the right drive letter would land in the current folder.
    for (const char* relative : {"Cxyz", "C", "C:Neu", "C/Neu", "C:/Neu"}) {
        SCOPED_TRACE(relative);
        EXPECT_EQ(rt::CheckNamePage("A", relative, m.Platform()), NameCheck::NotWindowsDrive);
    }
    // No Windows directory known: no drive matches.
    auto p = m.Platform();
    p.windowsDir.clear();
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Neu", p), NameCheck::NotWindowsDrive);
}

TEST(NameChecks, FreeSpaceIsQueriedForTheTargetsDriveAndComparedSigned) {
    FakeMachine m;
    m.space = 20971520;
    EXPECT_EQ(rt::CheckNamePage("A", "c:\\Neu", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(m.spaceQueries.back(), 3);
    m.space = 20971519;
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Neu", m.Platform()), NameCheck::TooLittleSpace);
    m.space = -1; // the query failed
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Neu", m.Platform()), NameCheck::TooLittleSpace);
    // The existence check comes before the drive and space checks.
    m.dirs.insert("C:\\Neu");
    EXPECT_EQ(rt::CheckNamePage("A", "C:\\Neu", m.Platform()), NameCheck::TargetExists);
}

TEST(FreeSpace, ThresholdIsTwentyMebibytes) {
    EXPECT_EQ(rt::kMinFreeSpace, 20971520);
    EXPECT_TRUE(rt::EnoughFreeSpace(20971520));
    EXPECT_FALSE(rt::EnoughFreeSpace(20971519));
    EXPECT_FALSE(rt::EnoughFreeSpace(20000000));
    EXPECT_FALSE(rt::EnoughFreeSpace(-1));
    EXPECT_FALSE(rt::EnoughFreeSpace(INT64_MIN));
    EXPECT_TRUE(rt::EnoughFreeSpace(INT64_MAX));
}

TEST(DriveNumber, LettersOfBothCasesAndEverythingElse) {
    EXPECT_EQ(rt::DriveNumber('A'), 1);
    EXPECT_EQ(rt::DriveNumber('a'), 1);
    EXPECT_EQ(rt::DriveNumber('c'), 3);
    EXPECT_EQ(rt::DriveNumber('Z'), 26);
    EXPECT_EQ(rt::DriveNumber('z'), 26);
    for (char c : {'\\', ' ', '@', '[', '`', '{', '1', '\0'})
        EXPECT_EQ(rt::DriveNumber(c), 0) << c;
    EXPECT_EQ(rt::DriveNumber(static_cast<char>(0xE4)), 0); // ä is no drive
}

TEST(DefaultTarget, BuiltFromTheProgramFilesFolder) {
    EXPECT_EQ(rt::DefaultTargetDir("C:\\Programme\\"), "C:\\Programme\\KELvar 5.0");
    EXPECT_EQ(rt::DefaultTargetDir("C:\\Programme"), "C:\\Programme\\KELvar 5.0");
    EXPECT_EQ(rt::DefaultTargetDir(""), "\\KELvar 5.0");   // key not opened
    EXPECT_EQ(rt::DefaultTargetDir("\\"), "\\KELvar 5.0"); // value missing or empty
    EXPECT_EQ(rt::ProgramFilesWithBackslash(""), "\\");
    EXPECT_EQ(rt::ProgramFilesWithBackslash("%ProgramFiles%"), "%ProgramFiles%\\");
}

TEST(RegistryString, TakenUpToTheFirstZero) {
    const char stored[] = "C:\\Programme\0Rest";
    EXPECT_EQ(rt::RegStringValue(stored, sizeof stored), "C:\\Programme");
    EXPECT_EQ(rt::RegStringValue("abc", 3), "abc"); // stored without its terminator
    EXPECT_EQ(rt::RegStringValue("", 0), "");
    EXPECT_EQ(rt::RegStringValue(nullptr, 5), "");
}

TEST(DrivePage, RootAndSummaryDrive) {
    EXPECT_EQ(rt::DriveRoot("c: [System]"), "c:\\");
    EXPECT_EQ(rt::DriveRoot("a:"), "a:\\");
    EXPECT_EQ(rt::DriveRoot(""), "\\"); // no item selected: the current drive's root
    EXPECT_EQ(rt::SummaryDrive("c:\\"), "C:");
    EXPECT_EQ(rt::SummaryDrive("\\"), "");
}

TEST(PickerTree, ChainFromTheRootDown) {
    auto chain = rt::DirChain("C:\\Programme\\Firma");
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0].path, "C:\\");
    EXPECT_EQ(chain[1].path, "C:\\Programme");
    EXPECT_EQ(chain[1].name, "Programme");
    EXPECT_EQ(chain[2].path, "C:\\Programme\\Firma");
    EXPECT_EQ(rt::DirChain("C:\\").size(), 1u);
    chain = rt::DirChain("\\\\srv\\share\\dir");
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(chain[0].path, "\\\\srv\\share\\");
    EXPECT_EQ(chain[1].path, "\\\\srv\\share\\dir");
    EXPECT_TRUE(rt::DirChain("relative\\dir").empty());
    EXPECT_TRUE(rt::DirChain("\\\\srv").empty());

    EXPECT_EQ(rt::PickerPath("C:\\Neu\\"), "C:\\Neu");
    EXPECT_EQ(rt::PickerPath("C:\\"), "C:\\");
    EXPECT_EQ(rt::PickerPath("\\\\srv\\share\\"), "\\\\srv\\share\\");
}

// --- ShortenPath: the corners the example sequence does not reach -----------

// Every character 6 pixels wide.
int Fixed6(const std::string& s) {
    return static_cast<int>(s.size()) * 6;
}
std::string Fit(const std::string& path, std::size_t chars) {
    return rt::ShortenPath(path, static_cast<int>(chars) * 6, Fixed6);
}

TEST(ShortenPathCorners, StopsAtTheFirstFormThatFitsAndMeasuresEachForm) {
    std::vector<std::string> measured;
    const auto r =
        rt::ShortenPath("C:\\Programme\\Firma\\KELvar 5.0", 18 * 6, [&](const std::string& s) {
            measured.push_back(s);
            return Fixed6(s);
        });
    EXPECT_EQ(r, "C:\\...\\KELvar 5.0");
    EXPECT_EQ(measured,
              (std::vector<std::string>{"C:\\Programme\\Firma\\KELvar 5.0",
                                        "C:\\...\\Firma\\KELvar 5.0", "C:\\...\\KELvar 5.0"}));
}

TEST(ShortenPathCorners, DriveWithoutBackslashAndRootedPathWithoutDrive) {
    // "C:name": the directory part is "C:", all drive.
    EXPECT_EQ(Fit("C:name", 4), "name");
    // A rooted path without a drive keeps its leading backslash while cutting.
    EXPECT_EQ(Fit("\\aa\\b\\name", 9), "\\...\\name");
    EXPECT_EQ(Fit("\\aa\\b\\name", 8), "...\\name");
    EXPECT_EQ(Fit("\\name", 1), "name");
    // The name part is never cut, however wide.
    EXPECT_EQ(Fit("C:\\x\\a very long file name indeed", 5), "a very long file name indeed");
    // A trailing backslash leaves an empty name part.
    EXPECT_EQ(Fit("C:\\Programme\\Firma\\", 12), "C:\\...\\");
}

TEST(ShortenPathCorners, DirectoryPartThatIsExactlyDotsGoesInOneStep) {
    // "\...\" as typed becomes "...\" with the drive dropped at once.
    EXPECT_EQ(Fit("C:\\...\\n", 7), "...\\n");
    // A directory named with a leading full stop loses its first four characters.
    EXPECT_EQ(Fit("C:\\.abc\\d\\n", 9), "C:\\...\\n");
}

} // namespace
