// The wizard's rules without a window: the page table, the model's drive
// choice, each page's checks in their order with the box they answer with,
// and the default target.
#include "app/registry_value.h"
#include "app/wizard/page_rules.h"
#include "app/wizard/page_table.h"
#include "app/wizard/wizard_model.h"
#include "runtime/texts.h"

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

    wizard::NameCheckPlatform Platform() {
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

using wizard::NameCheck;

TEST(NameChecks, BlanksAndControlCharactersCountAsEmptyAndTheNameComesFirst) {
    FakeMachine m;
    EXPECT_EQ(wizard::CheckNamePage("", "", m.Platform()), NameCheck::NoName);
    EXPECT_EQ(wizard::CheckNamePage(" \t ", "C:\\Neu", m.Platform()), NameCheck::NoName);
    EXPECT_EQ(wizard::CheckNamePage("Anna", "   ", m.Platform()), NameCheck::NoTarget);
    EXPECT_EQ(wizard::CheckNamePage("Anna", "\r\n", m.Platform()), NameCheck::NoTarget);
    // Nothing is asked of the machine before both fields are filled.
    EXPECT_TRUE(m.dirQueries.empty());
    EXPECT_TRUE(m.spaceQueries.empty());
}

TEST(NameChecks, ExistingDirectoryWithOrWithoutOneTrailingBackslash) {
    FakeMachine m;
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Programme", m.Platform()), NameCheck::TargetExists);
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Programme\\", m.Platform()), NameCheck::TargetExists);
    // Only one backslash is removed: "C:\Programme\" is looked up, which is not listed.
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Programme\\\\", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(m.dirQueries.back(), "C:\\Programme\\");
    // A drive root loses its backslash and names the drive's current folder.
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\", m.Platform()), NameCheck::TargetExists);
    // The target is looked up as typed, blanks included.
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Programme ", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(m.dirQueries.back(), "C:\\Programme ");
}

TEST(NameChecks, TheTargetMustBeAFullPathOnTheWindowsDrive) {
    FakeMachine m;
    EXPECT_EQ(wizard::CheckNamePage("A", "c:\\Neu", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(wizard::CheckNamePage("A", "D:\\Neu", m.Platform()), NameCheck::NotWindowsDrive);
    EXPECT_EQ(wizard::CheckNamePage("A", " C:\\Neu", m.Platform()), NameCheck::NotWindowsDrive);
    EXPECT_EQ(wizard::CheckNamePage("A", "\\\\server\\share", m.Platform()),
              NameCheck::NotWindowsDrive);
    // Relative forms on the right drive letter would land in the current folder.
    for (const char* relative : {"Cxyz", "C", "C:Neu", "C/Neu", "C:/Neu"}) {
        SCOPED_TRACE(relative);
        EXPECT_EQ(wizard::CheckNamePage("A", relative, m.Platform()), NameCheck::NotWindowsDrive);
    }
    // No Windows directory known: no drive matches.
    auto p = m.Platform();
    p.windowsDir.clear();
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Neu", p), NameCheck::NotWindowsDrive);
}

TEST(NameChecks, FreeSpaceIsQueriedForTheTargetsDriveAndComparedSigned) {
    FakeMachine m;
    m.space = 20971520;
    EXPECT_EQ(wizard::CheckNamePage("A", "c:\\Neu", m.Platform()), NameCheck::Ok);
    EXPECT_EQ(m.spaceQueries.back(), 3);
    m.space = 20971519;
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Neu", m.Platform()), NameCheck::TooLittleSpace);
    m.space = -1; // the query failed
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Neu", m.Platform()), NameCheck::TooLittleSpace);
    // The existence check comes before the drive and space checks.
    m.dirs.insert("C:\\Neu");
    EXPECT_EQ(wizard::CheckNamePage("A", "C:\\Neu", m.Platform()), NameCheck::TargetExists);
}

TEST(FreeSpace, ThresholdIsTwentyMebibytes) {
    EXPECT_TRUE(wizard::EnoughFreeSpace(20971520));
    EXPECT_FALSE(wizard::EnoughFreeSpace(20971519));
    EXPECT_FALSE(wizard::EnoughFreeSpace(20000000));
    EXPECT_FALSE(wizard::EnoughFreeSpace(-1));
    EXPECT_FALSE(wizard::EnoughFreeSpace(INT64_MIN));
    EXPECT_TRUE(wizard::EnoughFreeSpace(INT64_MAX));
}

TEST(DriveNumber, LettersOfBothCasesAndEverythingElse) {
    EXPECT_EQ(wizard::DriveNumber('A'), 1);
    EXPECT_EQ(wizard::DriveNumber('a'), 1);
    EXPECT_EQ(wizard::DriveNumber('c'), 3);
    EXPECT_EQ(wizard::DriveNumber('Z'), 26);
    EXPECT_EQ(wizard::DriveNumber('z'), 26);
    for (char c : {'\\', ' ', '@', '[', '`', '{', '1', '\0'})
        EXPECT_EQ(wizard::DriveNumber(c), 0) << c;
    EXPECT_EQ(wizard::DriveNumber(static_cast<char>(0xE4)), 0); // ä is no drive
}

TEST(DefaultTarget, BuiltFromTheProgramFilesFolder) {
    EXPECT_EQ(wizard::DefaultTargetDir("C:\\Programme\\"), "C:\\Programme\\KELvar 5.0");
    EXPECT_EQ(wizard::DefaultTargetDir("C:\\Programme"), "C:\\Programme\\KELvar 5.0");
    EXPECT_EQ(wizard::DefaultTargetDir(""), "\\KELvar 5.0");   // key not opened
    EXPECT_EQ(wizard::DefaultTargetDir("\\"), "\\KELvar 5.0"); // value missing or empty
    EXPECT_EQ(app::ProgramFilesWithBackslash(""), "\\");
    EXPECT_EQ(app::ProgramFilesWithBackslash("%ProgramFiles%"), "%ProgramFiles%\\");
}

TEST(RegistryString, TakenUpToTheFirstZero) {
    const char stored[] = "C:\\Programme\0Rest";
    EXPECT_EQ(app::RegStringValue(stored, sizeof stored), "C:\\Programme");
    EXPECT_EQ(app::RegStringValue("abc", 3), "abc"); // stored without its terminator
    EXPECT_EQ(app::RegStringValue("", 0), "");
    EXPECT_EQ(app::RegStringValue(nullptr, 5), "");
}

TEST(DriveChoice, TakenFromTheItemOnceAndComparedWithTheTarget) {
    using wizard::DriveChoice;
    const DriveChoice c = DriveChoice::FromItem("c: [System]", shell::dtFixed);
    EXPECT_EQ(c.Letter(), 'c'); // as the list shows it: the list files are named so
    EXPECT_EQ(c.Kind(), shell::dtFixed);
    EXPECT_EQ(c.Root(), "C:");
    EXPECT_EQ(c.RootFolder(), "c:\\");
    EXPECT_TRUE(c.Holds("C:\\Programme\\KELvar"));
    EXPECT_TRUE(DriveChoice::FromItem("C:", shell::dtFixed).Holds("c:\\x"));
    EXPECT_FALSE(DriveChoice::FromItem("d: Daten", shell::dtFixed).Holds("C:\\Programme"));
    EXPECT_EQ(DriveChoice::FromItem("a:", shell::dtFloppy).RootFolder(), "a:\\");
    // No item selected: no letter, no root, the current drive's root folder, holds nothing.
    const DriveChoice none = DriveChoice::FromItem("", shell::dtUnknown);
    EXPECT_EQ(none.Letter(), '\0');
    EXPECT_EQ(none.Root(), "");
    EXPECT_EQ(none.RootFolder(), "\\");
    EXPECT_FALSE(none.Holds(""));
    EXPECT_FALSE(none.Holds("C:\\x"));
    // The target as typed, and without its one trailing backslash for the run.
    wizard::WizardModel m;
    m.target = "C:\\Programme\\KELvar\\";
    EXPECT_EQ(m.TargetDir(), "C:\\Programme\\KELvar");
}

TEST(PageChecks, EachFailedCheckAnswersWithItsBoxAndFocus) {
    using wizard::Complaint;
    using wizard::Focus;
    using wizard::NameCheck;
    using wizard::Severity;
    EXPECT_EQ(wizard::CheckAgreement(true), std::nullopt);
    EXPECT_EQ(wizard::CheckAgreement(false),
              (Complaint{txt::MustAgree, Severity::Information, Focus::Unchanged}));
    EXPECT_EQ(wizard::ComplaintFor(NameCheck::Ok), std::nullopt);
    EXPECT_EQ(wizard::ComplaintFor(NameCheck::NoName),
              (Complaint{txt::NoName, Severity::Information, Focus::Name}));
    EXPECT_EQ(wizard::ComplaintFor(NameCheck::NoTarget),
              (Complaint{txt::NoTarget, Severity::Information, Focus::Target}));
    EXPECT_EQ(wizard::ComplaintFor(NameCheck::TargetExists),
              (Complaint{txt::TargetExists, Severity::Warning, Focus::Target}));
    EXPECT_EQ(wizard::ComplaintFor(NameCheck::NotWindowsDrive),
              (Complaint{txt::NotWindowsDrive, Severity::Warning, Focus::Target}));
    EXPECT_EQ(wizard::ComplaintFor(NameCheck::TooLittleSpace),
              (Complaint{txt::TooLittleSpace, Severity::Warning, Focus::Unchanged}));

    // The drive page asks for the chosen root, as the list shows it.
    std::vector<std::string> asked;
    const auto exists = [&](const std::string& p) {
        asked.push_back(p);
        return p == "c:\\";
    };
    const auto c = wizard::DriveChoice::FromItem("c: [System]", shell::dtFixed);
    const auto q = wizard::DriveChoice::FromItem("q: Karte", shell::dtRAM);
    EXPECT_EQ(wizard::CheckDrive(c, exists), std::nullopt);
    EXPECT_EQ(wizard::CheckDrive(q, exists),
              (Complaint{txt::DriveNotAccessible, Severity::Error, Focus::Unchanged}));
    EXPECT_EQ(asked, (std::vector<std::string>{"c:\\", "q:\\"}));
}

TEST(PageTable, ButtonsAndWhereBackAndNextLead) {
    using wizard::PageId;
    using B = wizard::ButtonStates;
    EXPECT_EQ(wizard::ButtonsFor(PageId::Welcome, false), (B{false, true, false, true, true}));
    EXPECT_EQ(wizard::ButtonsFor(PageId::Summary, false), (B{true, false, true, true, true}));
    EXPECT_EQ(wizard::ButtonsFor(PageId::Progress, false), (B{false, false, false, true, false}));
    const PageId order[] = {PageId::Welcome, PageId::Agreement, PageId::Name,
                            PageId::Drive,   PageId::Summary,   PageId::Progress};
    for (int i = 0; i < wizard::kPageCount; ++i) {
        const PageId p = order[i];
        const B b = wizard::ButtonsFor(p, false);
        EXPECT_FALSE(b.next && b.install) << "Weiter and Installieren share one place";
        // After a run started, the same buttons show, and "&Abbrechen" is disabled everywhere.
        EXPECT_EQ(wizard::ButtonsFor(p, true), (B{b.back, b.next, b.install, b.cancel, false}));
        // "&Weiter" leads one page on and "&Zurück" one page back, where they show;
        // where they are hidden they lead nowhere, so no key can move the wizard.
        const auto& row = wizard::RowOf(p);
        EXPECT_EQ(row.page, p);
        EXPECT_EQ(row.next, b.next ? order[i + 1] : p) << i;
        EXPECT_EQ(row.back, b.back ? order[i - 1] : p) << i;
    }
}

} // namespace
