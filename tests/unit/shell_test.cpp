// Drive list texts and selection, folder paths and TGetFolder, without Windows.
#include "shell/get_folder.h"
#include "shell/special_folder.h"
#include "shell/drive_label.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {
// Shift-JIS lead bytes, as a double-byte code page reports them.
bool SjisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
std::string Label(std::string_view s) {
    return VolumeLabelCase(s, LowerCp1252);
}
} // namespace

TEST(DriveLetters, MaskBitsInLetterOrderLowerCase) {
    EXPECT_EQ(DriveLetters(0), std::vector<char>{});
    EXPECT_EQ(DriveLetters(0b1101), (std::vector<char>{'a', 'c', 'd'}));
    EXPECT_EQ(DriveLetters((1u << 25) | (1u << 2)), (std::vector<char>{'c', 'z'}));
    // Bits above Z are no drives.
    EXPECT_EQ(DriveLetters(0xFC000000u), std::vector<char>{});
}

TEST(DriveTypes, DefaultListsEveryRealKindOnly) {
    EXPECT_FALSE(kDefaultDriveTypes.Contains(dtUnknown));
    EXPECT_FALSE(kDefaultDriveTypes.Contains(dtNoDrive));
    for (unsigned k : {dtFloppy, dtFixed, dtNetwork, dtCDROM, dtRAM})
        EXPECT_TRUE(kDefaultDriveTypes.Contains(k)) << k;
    EXPECT_FALSE(kDefaultDriveTypes.Contains(7));
    EXPECT_FALSE(kDefaultDriveTypes.Contains(200)); // an unknown platform code
    const TDriveTypes fixedOnly{dtFixed};
    EXPECT_TRUE(fixedOnly.Contains(dtFixed));
    EXPECT_FALSE(fixedOnly.Contains(dtCDROM));
}

TEST(LabelCase, Cp1252LowersLettersOnly) {
    EXPECT_EQ(LowerCp1252("ABC xyz 09"), "abc xyz 09");
    EXPECT_EQ(LowerCp1252("ÄÖÜ ÀÉÞ"), "äöü àéþ");
    // ß, the multiplication sign and non-letters stay; Š Œ Ž Ÿ have small forms.
    EXPECT_EQ(LowerCp1252("ß×÷@[`{"), "ß×÷@[`{");
    EXPECT_EQ(LowerCp1252("ŠŒŽŸ"), "šœžÿ");
    EXPECT_EQ(LowerCp1252("äöüšÿ"), "äöüšÿ");
}

TEST(LabelCase, DoubleByteKeepsTrailBytesAndWideLetters) {
    // 0x83 0x41 is one character whose trail byte looks like 'A'.
    EXPECT_EQ(LowerAZSkippingDbcs("AB\x83\x41"
                                  "C",
                                  SjisLead),
              "ab\x83\x41"
              "c");
    // Bytes above 0x7F that start no character are not letters here.
    EXPECT_EQ(LowerAZSkippingDbcs("\xC4X", SjisLead), "\xC4x");
    // A lead byte at the very end does not run past the text.
    EXPECT_EQ(LowerAZSkippingDbcs("Q\x83", SjisLead), "q\x83");
}

TEST(LabelCase, FirstLetterRaisedOnlyWhenAToZ) {
    EXPECT_EQ(Label("DATEN ARCHIV"), "Daten archiv");
    EXPECT_EQ(Label("daten"), "Daten");
    EXPECT_EQ(Label("ÄRGER"), "ärger"); // an umlaut at the start stays small
    EXPECT_EQ(Label("1ST DISK"), "1st disk");
    EXPECT_EQ(Label(""), "");
    EXPECT_EQ(Label("X"), "X");
}

TEST(DriveItemText, ByKind) {
    EXPECT_EQ(DriveItemText('a', dtFloppy, "ignored"), "a:");
    EXPECT_EQ(DriveItemText('c', dtFixed, "System"), "c: System");
    EXPECT_EQ(DriveItemText('d', dtCDROM, ""), "d: "); // no medium: trailing blank
    EXPECT_EQ(DriveItemText('n', dtNetwork, "\\\\server\\share"), "n: \\\\server\\share");
    EXPECT_EQ(DriveItemText('r', dtRAM, "Ram"), "r: Ram");
    EXPECT_EQ(DriveItemText('C', dtFixed, "X"), "c: X");
    EXPECT_EQ(DriveItemText('c', dtFixed, "X", TTextCase::tcUpperCase), "C: X");
}

TEST(FirstSelection, DriveOfCurrentDirectory) {
    const std::vector<std::string> items = {"a:", "c: System", "d: ", "m: Daten"};
    EXPECT_EQ(FirstSelection(items, "C:\\Windows"), 1);
    EXPECT_EQ(FirstSelection(items, "d:\\"), 2);
    EXPECT_EQ(FirstSelection(items, "A:"), 0);
    EXPECT_EQ(FirstSelection(items, "x:\\temp"), -1);             // not listed
    EXPECT_EQ(FirstSelection(items, "\\\\server\\share\\x"), -1); // network path
    EXPECT_EQ(FirstSelection(items, ""), -1);
    EXPECT_EQ(FirstSelection({}, "C:\\"), -1);
    // Only an item with a colon after its first character counts.
    EXPECT_EQ(FirstSelection({"cx", "c: Sys"}, "C:\\"), 1);
    // The first match wins.
    EXPECT_EQ(FirstSelection({"c: One", "c: Two"}, "c:\\"), 0);
}

TEST(FolderPath, ExactlyOneTrailingBackslash) {
    EXPECT_EQ(FolderPathFromShell("C:\\Users\\Anna\\Desktop"), "C:\\Users\\Anna\\Desktop\\");
    EXPECT_EQ(FolderPathFromShell("C:\\"), "C:\\");
    EXPECT_EQ(FolderPathFromShell(""), "");
    // The buffer's text ends at the first NUL, whatever follows.
    EXPECT_EQ(FolderPathFromShell(std::string_view("C:\\Menü\0junk\\", 13)), "C:\\Menü\\");
    EXPECT_EQ(FolderPathFromShell(std::string_view("\0C:\\x", 5)), "");
}

TEST(GetFolder, WhatFolderStoresAnyOfTheElevenValues) {
    const char* names[] = {"WindowsDesktop",    "FSDesktop",   "Fonts",       "NetworkNeighborhood",
                           "FSCommonDocuments", "FSMPrograms", "FSMUsingDoc", "FSSendTo",
                           "FSStartMenu",       "FSStartUp",   "FSTemplates"};
    TGetFolder getFolder;
    EXPECT_EQ(getFolder.WhatFolder(), TWhatFolder::WindowsDesktop);
    for (int i = 0; i < kWhatFolderCount; ++i) {
        const auto v = static_cast<TWhatFolder>(i);
        EXPECT_STREQ(WhatFolderName(v), names[i]);
        getFolder.SetWhatFolder(v);
        EXPECT_EQ(getFolder.WhatFolder(), v);
        // A form description naming the value loads it.
        TGetFolder loaded;
        EXPECT_TRUE(loaded.ReadProperty("WhatFolder", names[i]));
        EXPECT_EQ(loaded.WhatFolder(), v);
    }
}

TEST(GetFolder, UnknownPropertyOrValueChangesNothing) {
    TGetFolder getFolder;
    getFolder.SetWhatFolder(TWhatFolder::FSSendTo);
    EXPECT_FALSE(getFolder.ReadProperty("WhatFolder", "fsdesktop")); // names are exact
    EXPECT_FALSE(getFolder.ReadProperty("WhatFolder", "11"));
    EXPECT_FALSE(getFolder.ReadProperty("Folder", "FSDesktop"));
    EXPECT_EQ(getFolder.WhatFolder(), TWhatFolder::FSSendTo);
    EXPECT_FALSE(WhatFolderFromName("").has_value());
    EXPECT_STREQ(WhatFolderName(static_cast<TWhatFolder>(11)), "");
}
