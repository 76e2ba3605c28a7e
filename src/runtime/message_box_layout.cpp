#include "runtime/message_box_layout.h"
#include <algorithm>

namespace rt {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Breaks one paragraph (no CR or LF in it) into lines no wider than maxWidth.
void WrapParagraph(std::string_view para, int maxWidth, const LineWidth& width,
                   std::vector<std::string>& lines) {
    std::string line;
    std::size_t i = 0;
    while (i < para.size()) {
        const std::size_t wordEnd = std::min(para.find_first_of(" \t", i), para.size());
        std::size_t next = wordEnd;
        while (next < para.size() && IsBlank(para[next]))
            ++next;
        const std::string_view word = para.substr(i, wordEnd - i);
        const std::string_view blanks = para.substr(wordEnd, next - wordEnd);
        if (!line.empty() && width(line + std::string(word)) > maxWidth) {
            // Blanks at the break are not shown.
            while (!line.empty() && IsBlank(line.back()))
                line.pop_back();
            lines.push_back(std::move(line));
            line.clear();
        }
        if (line.empty() && width(word) > maxWidth) {
            // A word too wide on its own is broken where it has to be.
            std::size_t from = 0;
            while (from < word.size()) {
                std::size_t n = 1;
                while (from + n < word.size() && width(word.substr(from, n + 1)) <= maxWidth)
                    ++n;
                line = std::string(word.substr(from, n));
                from += n;
                if (from < word.size())
                    lines.push_back(std::move(line));
            }
        } else {
            line += word;
        }
        line += blanks;
        i = next;
    }
    while (!line.empty() && IsBlank(line.back()))
        line.pop_back();
    lines.push_back(std::move(line));
}

} // namespace

std::vector<std::string> WrapText(std::string_view text, int maxWidth, const LineWidth& width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        WrapParagraph(text.substr(start, end - start), maxWidth, width, lines);
        if (end == text.size())
            break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

MsgBoxLayout LayoutMessageBox(std::string_view text, int buttonCount, const MsgBoxMetrics& m,
                              const LineWidth& width) {
    int textW = 0;
    const std::vector<std::string> lines = WrapText(text, m.maxTextWidth, width);
    for (const std::string& line : lines)
        textW = std::max(textW, width(line));
    textW = std::max(textW, m.minTextWidth);
    const int textH = static_cast<int>(lines.size()) * m.lineHeight;
    // The text stands centred beside the icon when it is lower.
    const int rowH = std::max(textH, m.icon);
    buttonCount = std::max(buttonCount, 1);
    const int rowW = buttonCount * m.buttonWidth + (buttonCount - 1) * m.buttonGap;

    MsgBoxLayout box;
    box.clientWidth = std::max(m.margin + m.icon + m.gap + textW + m.margin, rowW + 2 * m.margin);
    box.clientHeight = m.margin + rowH + m.gap + m.buttonHeight + m.margin;
    box.icon = {m.margin, m.margin, m.margin + m.icon, m.margin + m.icon};
    const int textLeft = m.margin + m.icon + m.gap;
    const int textTop = m.margin + (rowH - textH) / 2;
    box.text = {textLeft, textTop, textLeft + textW, textTop + textH};
    int x = (box.clientWidth - rowW) / 2;
    const int y = m.margin + rowH + m.gap;
    for (int i = 0; i < buttonCount; ++i, x += m.buttonWidth + m.buttonGap)
        box.buttons.push_back({x, y, x + m.buttonWidth, y + m.buttonHeight});
    return box;
}

} // namespace rt
