#pragma once
// The driver's wire format: one flat JSON object per line in each direction.
// Requests hold strings, integers and booleans only; answers are written with
// every non-ASCII character escaped, so the pipe carries plain ASCII.
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

namespace wd {

struct Value {
    enum class Kind { Null, Bool, Number, String } kind = Kind::Null;
    bool b = false;
    long long n = 0;
    std::u16string s;
};

class Request {
public:
    // Parses one line; throws std::runtime_error with a short reason.
    explicit Request(const std::string& line);

    bool Has(const std::string& key) const { return fields_.count(key) != 0; }
    std::u16string Str(const std::string& key, const std::u16string& def = u"") const;
    std::string Ascii(const std::string& key, const std::string& def = "") const;
    long long Int(const std::string& key, long long def = 0) const;
    bool Bool(const std::string& key, bool def = false) const;

private:
    std::map<std::string, Value> fields_;
};

// Builds one JSON object; keys are ASCII, strings are UTF-16.
class Obj {
public:
    Obj& Add(const char* key, long long v);
    Obj& Add(const char* key, int v) { return Add(key, static_cast<long long>(v)); }
    Obj& Add(const char* key, unsigned long v) { return Add(key, static_cast<long long>(v)); }
    Obj& Add(const char* key, bool v);
    Obj& Add(const char* key, const std::u16string& v);
    Obj& Add(const char* key, const char* ascii);
    Obj& AddRaw(const char* key, const std::string& json); // an already encoded value
    Obj& AddNull(const char* key);
    std::string Str() const { return "{" + body_ + "}"; }

private:
    void Key(const char* key);
    std::string body_;
};

std::string Quote(const std::u16string& s);
std::string Array(const std::string& joinedItems); // "[" + items + "]"

// ---------------------------------------------------------------------------

inline std::string Quote(const std::u16string& s) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (char16_t c : s) {
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(c >> shift) & 0xf];
        }
    }
    return out + "\"";
}

inline std::string Array(const std::string& joinedItems) {
    return "[" + joinedItems + "]";
}

inline void Obj::Key(const char* key) {
    if (!body_.empty())
        body_ += ',';
    body_ += '"';
    body_ += key;
    body_ += "\":";
}
inline Obj& Obj::Add(const char* key, long long v) {
    Key(key);
    body_ += std::to_string(v);
    return *this;
}
inline Obj& Obj::Add(const char* key, bool v) {
    Key(key);
    body_ += v ? "true" : "false";
    return *this;
}
inline Obj& Obj::Add(const char* key, const std::u16string& v) {
    Key(key);
    body_ += Quote(v);
    return *this;
}
inline Obj& Obj::Add(const char* key, const char* ascii) {
    return Add(key, std::u16string(ascii, ascii + std::char_traits<char>::length(ascii)));
}
inline Obj& Obj::AddRaw(const char* key, const std::string& json) {
    Key(key);
    body_ += json;
    return *this;
}
inline Obj& Obj::AddNull(const char* key) {
    Key(key);
    body_ += "null";
    return *this;
}

namespace detail {
class Parser {
public:
    explicit Parser(const std::string& t) : t_(t) {}
    std::map<std::string, Value> Object() {
        std::map<std::string, Value> out;
        Ws();
        Expect('{');
        Ws();
        if (Peek() == '}') {
            ++i_;
            return End(out);
        }
        for (;;) {
            Ws();
            std::u16string k = String();
            Ws();
            Expect(':');
            Ws();
            out[std::string(k.begin(), k.end())] = Scalar();
            Ws();
            if (Peek() == ',') {
                ++i_;
                continue;
            }
            Expect('}');
            return End(out);
        }
    }

private:
    std::map<std::string, Value>& End(std::map<std::string, Value>& out) {
        Ws();
        if (i_ != t_.size())
            throw std::runtime_error("trailing characters");
        return out;
    }
    char Peek() const { return i_ < t_.size() ? t_[i_] : '\0'; }
    void Expect(char c) {
        if (Peek() != c)
            throw std::runtime_error(std::string("expected '") + c + "'");
        ++i_;
    }
    void Ws() {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\r'))
            ++i_;
    }
    bool Word(const char* w) {
        std::string s(w);
        if (t_.compare(i_, s.size(), s) != 0)
            return false;
        i_ += s.size();
        return true;
    }
    Value Scalar() {
        Value v;
        char c = Peek();
        if (c == '"') {
            v.kind = Value::Kind::String;
            v.s = String();
        } else if (Word("true")) {
            v.kind = Value::Kind::Bool;
            v.b = true;
        } else if (Word("false")) {
            v.kind = Value::Kind::Bool;
        } else if (Word("null")) {
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            v.kind = Value::Kind::Number;
            bool neg = c == '-';
            if (neg)
                ++i_;
            if (!(Peek() >= '0' && Peek() <= '9'))
                throw std::runtime_error("bad number");
            while (Peek() >= '0' && Peek() <= '9')
                v.n = v.n * 10 + (t_[i_++] - '0');
            if (neg)
                v.n = -v.n;
        } else {
            throw std::runtime_error("unsupported value");
        }
        return v;
    }
    unsigned Hex4() {
        unsigned u = 0;
        for (int k = 0; k < 4; ++k) {
            char h = Peek();
            ++i_;
            u <<= 4;
            if (h >= '0' && h <= '9')
                u |= h - '0';
            else if (h >= 'a' && h <= 'f')
                u |= h - 'a' + 10;
            else if (h >= 'A' && h <= 'F')
                u |= h - 'A' + 10;
            else
                throw std::runtime_error("bad \\u escape");
        }
        return u;
    }
    // Strings arrive as UTF-8 or with \u escapes; both end up as UTF-16.
    std::u16string String() {
        Expect('"');
        std::u16string out;
        for (;;) {
            if (i_ >= t_.size())
                throw std::runtime_error("unterminated string");
            unsigned char c = static_cast<unsigned char>(t_[i_++]);
            if (c == '"')
                return out;
            if (c == '\\') {
                char e = Peek();
                ++i_;
                switch (e) {
                case '"':
                    out += u'"';
                    break;
                case '\\':
                    out += u'\\';
                    break;
                case '/':
                    out += u'/';
                    break;
                case 'b':
                    out += u'\b';
                    break;
                case 'f':
                    out += u'\f';
                    break;
                case 'n':
                    out += u'\n';
                    break;
                case 'r':
                    out += u'\r';
                    break;
                case 't':
                    out += u'\t';
                    break;
                case 'u':
                    out += static_cast<char16_t>(Hex4());
                    break;
                default:
                    throw std::runtime_error("bad escape");
                }
            } else if (c < 0x80) {
                out += static_cast<char16_t>(c);
            } else {
                int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : -1;
                if (extra < 0)
                    throw std::runtime_error("bad UTF-8");
                unsigned cp = c & (0x3f >> extra);
                for (int k = 0; k < extra; ++k) {
                    unsigned char d = static_cast<unsigned char>(Peek());
                    if ((d & 0xc0) != 0x80)
                        throw std::runtime_error("bad UTF-8");
                    cp = (cp << 6) | (d & 0x3f);
                    ++i_;
                }
                if (cp >= 0x10000) {
                    cp -= 0x10000;
                    out += static_cast<char16_t>(0xd800 + (cp >> 10));
                    out += static_cast<char16_t>(0xdc00 + (cp & 0x3ff));
                } else {
                    out += static_cast<char16_t>(cp);
                }
            }
        }
    }
    const std::string& t_;
    size_t i_ = 0;
};
} // namespace detail

inline Request::Request(const std::string& line) : fields_(detail::Parser(line).Object()) {}

inline std::u16string Request::Str(const std::string& key, const std::u16string& def) const {
    auto it = fields_.find(key);
    if (it == fields_.end() || it->second.kind == Value::Kind::Null)
        return def;
    if (it->second.kind != Value::Kind::String)
        throw std::runtime_error("field '" + key + "' must be a string");
    return it->second.s;
}
inline std::string Request::Ascii(const std::string& key, const std::string& def) const {
    if (!Has(key))
        return def;
    std::u16string s = Str(key);
    std::string out;
    for (char16_t c : s) {
        if (c >= 0x80)
            throw std::runtime_error("field '" + key + "' must be ASCII");
        out += static_cast<char>(c);
    }
    return out;
}
inline long long Request::Int(const std::string& key, long long def) const {
    auto it = fields_.find(key);
    if (it == fields_.end() || it->second.kind == Value::Kind::Null)
        return def;
    if (it->second.kind != Value::Kind::Number)
        throw std::runtime_error("field '" + key + "' must be a number");
    return it->second.n;
}
inline bool Request::Bool(const std::string& key, bool def) const {
    auto it = fields_.find(key);
    if (it == fields_.end() || it->second.kind == Value::Kind::Null)
        return def;
    if (it->second.kind != Value::Kind::Bool)
        throw std::runtime_error("field '" + key + "' must be true or false");
    return it->second.b;
}

} // namespace wd
