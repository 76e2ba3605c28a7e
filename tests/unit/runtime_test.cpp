// Windows-free runtime pieces: path shortening, text helpers, runtime errors.
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

} // namespace
