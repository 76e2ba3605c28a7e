#pragma once
// Where the parts of the message box go, from text widths alone: the icon at
// the top left, the text beside it, the buttons centred below.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

// Sizes in pixels of the real DPI.
struct MsgBoxMetrics {
    int lineHeight;   // of the font
    int maxTextWidth; // a longer line is broken between words
    int minTextWidth;
    int margin, icon, gap;
    int buttonWidth, buttonHeight, buttonGap;
};

struct MsgBoxLayout {
    int clientWidth = 0, clientHeight = 0;
    Rect icon, text;
    std::vector<Rect> buttons; // left to right
};

// Width of one line of text (no line breaks in it) in the box's font.
using LineWidth = std::function<int(std::string_view line)>;

// The lines as the text control shows them: broken at CR LF, a lone CR or a
// lone LF, and where a line would be wider than maxWidth: between words, or
// inside a word that is too wide on its own.
std::vector<std::string> WrapText(std::string_view text, int maxWidth, const LineWidth& width);

MsgBoxLayout LayoutMessageBox(std::string_view text, int buttonCount, const MsgBoxMetrics& m,
                              const LineWidth& width);

} // namespace rt
