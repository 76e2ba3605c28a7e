#include "shell/drive_label.h"

#include "runtime/strutil.h"

namespace shell {

std::vector<char> DriveLetters(std::uint32_t mask) {
    std::vector<char> letters;
    for (int i = 0; i < 26; ++i)
        if (mask & (std::uint32_t(1) << i))
            letters.push_back(char('a' + i));
    return letters;
}

std::string LowerCp1252(std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            ch = char(c + 0x20);
        else if (c == 0x8A || c == 0x8C || c == 0x8E) // Š Œ Ž
            ch = char(c + 0x10);
        else if (c == 0x9F) // Ÿ
            ch = char(0xFF);
    }
    return out;
}

std::string LowerAZSkippingDbcs(std::string_view s,
                                const std::function<bool(unsigned char)>& isLeadByte) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c)) {
            ++i; // the trail byte belongs to the same character
            continue;
        }
        out[i] = rt::LowerAZ(out[i]);
    }
    return out;
}

std::string VolumeLabelCase(std::string_view label, const LowerFn& lower) {
    std::string out = lower(label);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z')
        out[0] = char(out[0] - 'a' + 'A');
    return out;
}

std::string DriveItemText(char letter, TDriveType kind, std::string_view name, TTextCase textCase) {
    const char shown =
        textCase == TTextCase::tcUpperCase ? rt::UpperAZ(letter) : rt::LowerAZ(letter);
    std::string text{shown, ':'};
    if (kind == dtFloppy)
        return text;
    text += ' ';
    text += name;
    return text;
}

int FirstSelection(const std::vector<std::string>& items, std::string_view currentDir) {
    if (currentDir.empty() || currentDir[0] == '\\')
        return -1;
    const char wanted = currentDir[0];
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        if (item.size() >= 2 && item[1] == ':' && rt::UpperAZ(item[0]) == rt::UpperAZ(wanted))
            return int(i);
    }
    return -1;
}

} // namespace shell
