#include "runtime/payload_table.h"
#include "runtime/strutil.h"
#include <algorithm>
#include <stdexcept>

namespace rt {

namespace {

constexpr std::string_view kHeader = "KELVAR-PAYLOAD 1";
constexpr std::string_view kEnd = "END ";

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1; // upper case too: one spelling per table
}

bool ParseHash(std::string_view text, Sha256& hash) {
    if (text.size() != 64)
        return false;
    for (std::size_t i = 0; i < 32; ++i) {
        const int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        hash[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return true;
}

// Decimal digits only, no sign, no leading zero; 19 digits always fit.
bool ParseCount(std::string_view text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0'))
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

PayloadTableResult Fail(PayloadTableError error, std::size_t line) {
    PayloadTableResult r;
    r.error = error;
    r.line = line;
    return r;
}

} // namespace

const PayloadEntry* PayloadTable::Find(std::string_view name) const {
    for (const PayloadEntry& e : entries)
        if (SameTextAZ(e.name, name))
            return &e;
    return nullptr;
}

bool IsPayloadName(std::string_view name) {
    if (name.empty() || name.size() > kPayloadNameMax || name == "." || name == "..")
        return false;
    // Windows drops a trailing dot or blank from a name: "Launch.kvr." would
    // open Launch.kvr. A leading blank is refused for one spelling per file.
    if (name.front() == ' ' || name.back() == ' ' || name.back() == '.')
        return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

bool IsPayloadFile(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || !IsPayloadName(name))
        return false;
    const std::string_view ext = name.substr(dot + 1);
    if (SameTextAZ(ext, "kvr"))
        return true;
    return ext.size() == 3 && ext.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string ToHex(const Sha256& hash) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    s.reserve(64);
    for (std::uint8_t b : hash) {
        s += kDigits[b >> 4];
        s += kDigits[b & 15];
    }
    return s;
}

PayloadTableResult ParsePayloadTable(std::string_view room) {
    const std::size_t textEnd = std::min(room.find('\0'), room.size());
    const std::string_view text = room.substr(0, textEnd);
    if (text.empty() && room.find_first_not_of('\0') == std::string_view::npos)
        return Fail(PayloadTableError::Unbound, 0);

    PayloadTable table;
    std::size_t at = 0, line = 0;
    bool ended = false;
    while (at < text.size()) {
        ++line;
        if (ended)
            return Fail(PayloadTableError::TrailingBytes, line);
        const std::size_t lf = text.find('\n', at);
        if (lf == std::string_view::npos)
            return Fail(line == 1 ? PayloadTableError::BadHeader : PayloadTableError::BadLine,
                        line);
        const std::string_view l = text.substr(at, lf - at);
        at = lf + 1;
        if (line == 1) {
            if (l != kHeader)
                return Fail(PayloadTableError::BadHeader, line);
            continue;
        }
        if (l.substr(0, kEnd.size()) == kEnd) {
            std::uint64_t count = 0;
            if (!ParseCount(l.substr(kEnd.size()), count) || count != table.entries.size())
                return Fail(PayloadTableError::BadEnd, line);
            ended = true;
            continue;
        }
        const std::size_t gap1 = l.find(' ');
        const std::size_t gap2 = gap1 == std::string_view::npos ? gap1 : l.find(' ', gap1 + 1);
        if (gap2 == std::string_view::npos)
            return Fail(PayloadTableError::BadLine, line);
        PayloadEntry e;
        if (!ParseHash(l.substr(0, gap1), e.sha256))
            return Fail(PayloadTableError::BadHash, line);
        if (!ParseCount(l.substr(gap1 + 1, gap2 - gap1 - 1), e.size))
            return Fail(PayloadTableError::BadSize, line);
        e.name = std::string(l.substr(gap2 + 1));
        if (!IsPayloadName(e.name))
            return Fail(PayloadTableError::BadName, line);
        if (table.Find(e.name))
            return Fail(PayloadTableError::DuplicateName, line);
        table.entries.push_back(std::move(e));
    }
    if (line == 0)
        return Fail(PayloadTableError::BadHeader, 1);
    if (!ended)
        return Fail(PayloadTableError::BadEnd, line + 1);
    if (room.find_first_not_of('\0', textEnd) != std::string_view::npos)
        return Fail(PayloadTableError::TrailingBytes, line + 1);
    PayloadTableResult r;
    r.table = std::move(table);
    return r;
}

std::string PayloadTableResult::Message() const {
    const char* what = "";
    switch (error) {
    case PayloadTableError::None:
        return "ok";
    case PayloadTableError::NoRoom:
        return "the program has no room for a payload table";
    case PayloadTableError::Unbound:
        return "no table bound (the room holds zero bytes only)";
    case PayloadTableError::BadHeader:
        what = "the first line is not \"KELVAR-PAYLOAD 1\"";
        break;
    case PayloadTableError::BadLine:
        what = "not \"SHA256 SIZE NAME\" ended by a line feed";
        break;
    case PayloadTableError::BadHash:
        what = "the SHA-256 is not 64 lower-case hex digits";
        break;
    case PayloadTableError::BadSize:
        what = "the size is not a decimal number";
        break;
    case PayloadTableError::BadName:
        what = "the name is no plain file name";
        break;
    case PayloadTableError::DuplicateName:
        what = "the name stands in the table twice";
        break;
    case PayloadTableError::BadEnd:
        what = "no \"END <count>\" line with the number of entries";
        break;
    case PayloadTableError::TrailingBytes:
        what = "more than zero bytes after the END line";
        break;
    }
    return "line " + std::to_string(line) + ": " + what;
}

std::string FormatPayloadTable(const PayloadTable& table) {
    std::string text(kHeader);
    text += '\n';
    for (std::size_t i = 0; i < table.entries.size(); ++i) {
        const PayloadEntry& e = table.entries[i];
        if (!IsPayloadName(e.name))
            throw std::invalid_argument("no plain file name: \"" + e.name + "\"");
        if (e.size > kPayloadSizeMax)
            throw std::invalid_argument("too big to stand in the table: \"" + e.name + "\"");
        for (std::size_t j = 0; j < i; ++j)
            if (SameTextAZ(table.entries[j].name, e.name))
                throw std::invalid_argument("twice in the table: \"" + e.name + "\"");
        text += ToHex(e.sha256);
        text += ' ' + std::to_string(e.size) + ' ';
        text += e.name;
        text += '\n';
    }
    text += "END " + std::to_string(table.entries.size()) + "\n";
    return text;
}

const char* VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Ok:
        return "Ok";
    case Verdict::NotInTable:
        return "NotInTable";
    case Verdict::SizeDiffers:
        return "SizeDiffers";
    case Verdict::HashDiffers:
        return "HashDiffers";
    case Verdict::Unreadable:
        return "Unreadable";
    }
    return "?";
}

bool RecordedDigest::Size(const std::string& path, std::uint64_t& size) {
    if (path != path_)
        return false;
    size = bytes_;
    return true;
}

bool RecordedDigest::Hash(const std::string& path, std::uint64_t& bytes, Sha256& hash) {
    if (path != path_)
        return false;
    bytes = bytes_;
    hash = hash_;
    return true;
}

Verdict Check(const PayloadTable& table, std::string_view name, const std::string& path,
              FileDigests& host) {
    const PayloadEntry* entry = table.Find(name);
    if (!entry)
        return Verdict::NotInTable;
    std::uint64_t size = 0;
    if (!host.Size(path, size))
        return Verdict::Unreadable;
    if (size != entry->size)
        return Verdict::SizeDiffers;
    Sha256 hash{};
    if (!host.Hash(path, size, hash))
        return Verdict::Unreadable;
    // Changed between the two looks: the hash covers other bytes than were sized.
    if (size != entry->size)
        return Verdict::SizeDiffers;
    return hash == entry->sha256 ? Verdict::Ok : Verdict::HashDiffers;
}

} // namespace rt
