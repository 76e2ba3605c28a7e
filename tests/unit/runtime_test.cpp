// Windows-free runtime pieces: path shortening, the picker's tree, text helpers, runtime errors.
#include "runtime/dir_chain.h"
#include "runtime/errors.h"
#include "runtime/shorten_path.h"
#include "runtime/strutil.h"
#include <gtest/gtest.h>

namespace {

// Every character 6 pixels wide: widths are easy to reason about.
int Fixed6(const std::string& s) {
    return static_cast<int>(s.size()) * 6;
}

std::string Shorten(const std::string& path, std::size_t fitChars) {
    return rt::ShortenPath(path, static_cast<int>(fitChars) * 6, Fixed6);
}

TEST(ShortenPath, StepsThroughTheExampleSequence) {
    const std::string p = "C:\\Programme\\Firma\\KELvar 5.0";
    EXPECT_EQ(Shorten(p, p.size()), p);
    EXPECT_EQ(Shorten(p, p.size() - 1), "C:\\...\\Firma\\KELvar 5.0");
    EXPECT_EQ(Shorten(p, 22), "C:\\...\\KELvar 5.0");
    EXPECT_EQ(Shorten(p, 16), "...\\KELvar 5.0");
    EXPECT_EQ(Shorten(p, 13), "KELvar 5.0");
    // The name part is never shortened, even when it is still too wide.
    EXPECT_EQ(Shorten(p, 3), "KELvar 5.0");
}

TEST(ShortenPath, Corners) {
    // No directory part: nothing to shorten.
    EXPECT_EQ(Shorten("KELvar", 1), "KELvar");
    // A drive root keeps nothing but its name part.
    EXPECT_EQ(Shorten("C:\\", 1), "");
    EXPECT_EQ(Shorten("C:\\x", 1), "x");
    // UNC path: the leading backslash is noted and put back while cutting.
    EXPECT_EQ(Shorten("\\\\server\\share\\dir\\file", 20), "\\...\\share\\dir\\file");
    EXPECT_EQ(Shorten("\\\\server\\share\\dir\\file", 18), "\\...\\dir\\file");
    EXPECT_EQ(Shorten("\\\\server\\share\\dir\\file", 10), "\\...\\file");
    EXPECT_EQ(Shorten("\\\\server\\share\\dir\\file", 8), "...\\file");
    EXPECT_EQ(Shorten("\\\\server\\share\\dir\\file", 5), "file");
    // A directory part that is exactly "\...\" turns into "...\".
    EXPECT_EQ(Shorten("C:\\...\\name", 9), "...\\name");
    // Fits at once: unchanged, even with a long name.
    EXPECT_EQ(Shorten("D:\\a", 4), "D:\\a");
}

TEST(StrUtil, TrimAndCaseAffectOnlyWhatTheyShould) {
    EXPECT_EQ(rt::Trim(" \t Büro 3 \r\n"), "Büro 3");
    EXPECT_EQ(rt::Trim("   "), "");
    EXPECT_EQ(rt::UpperAZ("c:\\über"), "C:\\üBER"); // ü is not an a-z letter
    EXPECT_TRUE(rt::SameTextAZ("c:", "C:"));
    EXPECT_FALSE(rt::SameTextAZ("ä", "Ä"));
    EXPECT_EQ(rt::WithoutTrailingBackslash("C:\\Programme\\KELvar\\"), "C:\\Programme\\KELvar");
    EXPECT_EQ(rt::WithoutTrailingBackslash("C:\\x\\\\"), "C:\\x\\");
    EXPECT_EQ(rt::AccelChar("&Zurück"), 'Z');
    EXPECT_EQ(rt::AccelChar("Name&&Ziel"), 0);
    EXPECT_EQ(rt::StripAccel("Name&&Ziel &Weiter"), "Name&Ziel Weiter");
}

TEST(Errors, RuntimeTextsAndFullStop) {
    EXPECT_EQ(rt::EInOutError(5).Message(), "Dateizugriff verweigert");
    EXPECT_EQ(rt::EInOutError(32).Message(), "E/A-Fehler 32");
    EXPECT_EQ(rt::WithFullStop("Stream-Read-Fehler"), "Stream-Read-Fehler.");
    EXPECT_EQ(rt::WithFullStop("Fertig!"), "Fertig!");
    EXPECT_EQ(rt::WithFullStop("E/A-Fehler 32"), "E/A-Fehler 32.");
    EXPECT_EQ(rt::WithFullStop("Datei ü"), "Datei ü."); // 0xFC sorts after '.'
    EXPECT_EQ(rt::WithFullStop(""), "");
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
    EXPECT_EQ(Shorten("C:name", 4), "name");
    // A rooted path without a drive keeps its leading backslash while cutting.
    EXPECT_EQ(Shorten("\\aa\\b\\name", 9), "\\...\\name");
    EXPECT_EQ(Shorten("\\aa\\b\\name", 8), "...\\name");
    EXPECT_EQ(Shorten("\\name", 1), "name");
    // The name part is never cut, however wide.
    EXPECT_EQ(Shorten("C:\\x\\a very long file name indeed", 5), "a very long file name indeed");
    // A trailing backslash leaves an empty name part.
    EXPECT_EQ(Shorten("C:\\Programme\\Firma\\", 12), "C:\\...\\");
}

TEST(ShortenPathCorners, DirectoryPartThatIsExactlyDotsGoesInOneStep) {
    // "\...\" as typed becomes "...\" with the drive dropped at once.
    EXPECT_EQ(Shorten("C:\\...\\n", 7), "...\\n");
    // A directory named with a leading full stop loses its first four characters.
    EXPECT_EQ(Shorten("C:\\.abc\\d\\n", 9), "C:\\...\\n");
}

} // namespace
