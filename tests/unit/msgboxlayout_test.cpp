// The message box's layout from text widths: line breaks, word wrap, the icon
// beside the text and one to three buttons centred below.
#include "runtime/message_box_layout.h"
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Every character 6 pixels wide.
int Fixed6(std::string_view s) {
    return static_cast<int>(s.size()) * 6;
}

// Round numbers, so the expected rectangles can be worked out by hand.
constexpr rt::MsgBoxMetrics kMetrics{.lineHeight = 10,
                                     .maxTextWidth = 60, // ten characters
                                     .minTextWidth = 12,
                                     .margin = 5,
                                     .icon = 32,
                                     .gap = 4,
                                     .buttonWidth = 40,
                                     .buttonHeight = 20,
                                     .buttonGap = 3};

TEST(MsgBoxLayout, BreaksAtEveryLineEndAndBetweenWords) {
    // CR LF is one break; a lone CR and a lone LF each break too; empty lines stay.
    EXPECT_EQ(rt::WrapText("a\r\nb\rc\nd", 60, Fixed6), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(rt::WrapText("\"C:\\X\"\r\rText", 60, Fixed6), (Lines{"\"C:\\X\"", "", "Text"}));
    EXPECT_EQ(rt::WrapText("", 60, Fixed6), (Lines{""}));
    // Ten characters fit; the blanks at a break are dropped.
    EXPECT_EQ(rt::WrapText("eins zwei drei vier", 60, Fixed6), (Lines{"eins zwei", "drei vier"}));
    EXPECT_EQ(rt::WrapText("abcde  fghij", 60, Fixed6), (Lines{"abcde", "fghij"}));
    // A word wider than a line is broken inside, and what follows goes on after it.
    EXPECT_EQ(rt::WrapText("C:\\Programme\\KELvar x", 60, Fixed6),
              (Lines{"C:\\Program", "me\\KELvar", "x"}));
}

TEST(MsgBoxLayout, PlacesIconTextAndButtons) {
    // One short line: the text is centred beside the icon, one button centred below.
    rt::MsgBoxLayout box = rt::LayoutMessageBox("Hallo", 1, kMetrics, Fixed6);
    EXPECT_EQ(box.icon, (rt::Rect{5, 5, 37, 37}));
    EXPECT_EQ(box.text, (rt::Rect{41, 16, 71, 26}));
    EXPECT_EQ(box.clientWidth, 5 + 32 + 4 + 30 + 5);
    EXPECT_EQ(box.clientHeight, 5 + 32 + 4 + 20 + 5);
    ASSERT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(box.buttons[0], (rt::Rect{18, 41, 58, 61}));

    // Three buttons are wider than icon and text: they set the width.
    box = rt::LayoutMessageBox("Hallo", 3, kMetrics, Fixed6);
    EXPECT_EQ(box.clientWidth, 3 * 40 + 2 * 3 + 2 * 5);
    ASSERT_EQ(box.buttons.size(), 3u);
    EXPECT_EQ(box.buttons[0].left, 5);
    EXPECT_EQ(box.buttons[1].left, 48);
    EXPECT_EQ(box.buttons[2].right, box.clientWidth - 5);

    // Text higher than the icon: it starts at the margin and pushes the buttons down.
    box = rt::LayoutMessageBox("1\r2\r3\r4\r5", 2, kMetrics, Fixed6);
    EXPECT_EQ(box.text, (rt::Rect{41, 5, 41 + 12, 55})); // narrow text: the least width
    EXPECT_EQ(box.buttons[0].top, 5 + 50 + 4);
    EXPECT_EQ(box.clientHeight, 5 + 50 + 4 + 20 + 5);

    // A long line is wrapped to the widest line that fits.
    box = rt::LayoutMessageBox("eins zwei drei vier", 2, kMetrics, Fixed6);
    EXPECT_EQ(box.text.right - box.text.left, 54);
    EXPECT_EQ(box.text.bottom - box.text.top, 20);
}

} // namespace
