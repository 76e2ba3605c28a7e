// The installation run's derived values: temporary folder names, the
// both-names message and the info file lines.
#include "runtime/install_values.h"
#include <gtest/gtest.h>

namespace {

TEST(InstallValues, TempDirNamesLieInTheTargetsRoot) {
    const auto [first, second] = rt::TempDirNames("C:\\Programme\\KELvar");
    EXPECT_EQ(first, "C:\\Kvr5~tmp");
    EXPECT_EQ(second, "C:\\Kvr5tmp~");
    // Only the first three characters count, whatever they are.
    EXPECT_EQ(rt::TempDirNames("d:\\x").first, "d:\\Kvr5~tmp");
    EXPECT_EQ(rt::TempDirNames("E:").first, "E:Kvr5~tmp");
}

TEST(InstallValues, BothNamesMessageIsBuiltFromItsExactPieces) {
    EXPECT_EQ(rt::TempDirBusyMessage("C:\\Kvr5tmp~"),
              "\"C:\\Kvr5tmp~\"\r\r"
              "Um mit dem Setup fortfahren zu können, müssen Sie das\r"
              "oben angegebene Verzeichnis löschen, da das Setup-\r"
              "Programm dieses Verzeichis als temporäre Ablage der zu\r"
              "installierenden Dateien benötigt!");
}

TEST(InstallValues, Kvrinf2KeepsTheNameAsTyped) {
    EXPECT_EQ(rt::Kvrinf2Lines("Büro 3"), (std::vector<std::string>{"KVR-INF_DAT", "Büro 3"}));
    EXPECT_EQ(rt::Kvrinf2Lines(""), (std::vector<std::string>{"KVR-INF_DAT", ""}));
    EXPECT_EQ(rt::Kvrinf2Lines("  x  ")[1], "  x  ");
    // "Büro 3" is six bytes in code page 1252: the file is 11+2+6+2 = 21 bytes.
    EXPECT_EQ(rt::Kvrinf2Lines("Büro 3")[1].size(), 6u);
}

} // namespace
