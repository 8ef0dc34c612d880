#include "support/WellFormed.h"

#include <cstdint>
#include <vector>

namespace quillon::test {
namespace {

constexpr int kMaxDepth = 64;

// The characters of text, or nothing when it is not well-formed UTF-8.
bool Decode(std::string_view text, std::vector<uint32_t>& out) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = uint8_t(text[i]);
        const int length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (length == 0 || b >= 0xF8 || i + length > text.size()) return false;
        uint32_t code = length == 1 ? b : b & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) {
            const auto c = uint8_t(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            code = code << 6 | (c & 0x3F);
        }
        static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        out.push_back(code);
        i += length;
    }
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A reading position in a text, with the steps both checkers take.
class Cursor {
public:
    explicit Cursor(std::string_view text) : s_(text) {}

protected:
    std::string_view s_;
    std::size_t i_ = 0;

    [[nodiscard]] char Peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
    bool Take(char c) { return Peek() == c && i_ < s_.size() ? (++i_, true) : false; }
    // Skips white space; whether there was any.
    bool Space() {
        const std::size_t from = i_;
        while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r') ++i_;
        return i_ > from;
    }
};

class Json : Cursor {
public:
    using Cursor::Cursor;
    bool Whole() {
        if (!Value(0)) return false;
        Space();
        return i_ == s_.size();
    }

private:
    bool Word(std::string_view w) { return s_.substr(i_, w.size()) == w ? (i_ += w.size(), true) : false; }
    bool Digits() {
        const std::size_t from = i_;
        while (IsDigit(Peek())) ++i_;
        return i_ > from;
    }
    bool Number() {
        Take('-');
        if (!Take('0') && !(Peek() >= '1' && Peek() <= '9' && Digits())) return false;
        if (Take('.') && !Digits()) return false;
        if (Take('e') || Take('E')) {
            if (!Take('+')) Take('-');
            if (!Digits()) return false;
        }
        return true;
    }
    bool String() {
        if (!Take('"')) return false;
        while (i_ < s_.size()) {
            const char c = s_[i_++];
            if (c == '"') return true;
            if (uint8_t(c) < 0x20) return false;
            if (c != '\\') continue;
            const char e = Peek();
            ++i_;
            if (e == 'u') {
                for (int k = 0; k < 4; ++k, ++i_)
                    if (!IsHex(Peek())) return false;
            } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
                return false;
            }
        }
        return false;
    }
    // Members (object) or elements (array) up to close.
    bool Items(int depth, char close, bool members) {
        Space();
        if (Take(close)) return true;
        do {
            Space();
            if (members && !(String() && (Space(), Take(':')))) return false;
            if (!Value(depth + 1)) return false;
            Space();
        } while (Take(','));
        return Take(close);
    }
    bool Value(int depth) {
        if (depth > kMaxDepth) return false;
        Space();
        switch (Peek()) {
        case '{': return Take('{') && Items(depth, '}', true);
        case '[': return Take('[') && Items(depth, ']', false);
        case '"': return String();
        case 't': return Word("true");
        case 'f': return Word("false");
        case 'n': return Word("null");
        default: return Number();
        }
    }
};

bool XmlAllows(uint32_t c) { return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == '\t' || c == '\n' || c == '\r'; }

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.'; }

class Xml : Cursor {
public:
    using Cursor::Cursor;
    bool Whole() {
        Space();
        if (!Element()) return false;
        Space();
        return i_ == s_.size();
    }

private:
    std::string_view Name() {
        const std::size_t from = i_;
        if (IsNameStart(Peek()))
            while (IsNameChar(Peek())) ++i_;
        return s_.substr(from, i_ - from);
    }
    // After '&': a named entity or a character reference of an allowed character.
    bool Reference() {
        for (std::string_view e : {"amp;", "lt;", "gt;", "quot;", "apos;"})
            if (s_.substr(i_, e.size()) == e) return i_ += e.size(), true;
        if (!Take('#')) return false;
        const bool hex = Take('x');
        uint32_t code = 0;
        std::size_t digits = 0;
        for (; hex ? IsHex(Peek()) : IsDigit(Peek()); ++i_, ++digits) {
            const char c = Peek();
            code = code * (hex ? 16 : 10) + uint32_t(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
            if (code > 0x10FFFF) return false;
        }
        return digits > 0 && Take(';') && XmlAllows(code) && !(code >= 0xD800 && code <= 0xDFFF);
    }
    bool Attributes() {
        while (Space() && IsNameStart(Peek())) {
            if (Name().empty() || !Take('=') || !Take('"')) return false;
            while (!Take('"')) {
                if (i_ >= s_.size() || Peek() == '<') return false;
                if (!Take('&')) {
                    ++i_;
                } else if (!Reference()) {
                    return false;
                }
            }
        }
        return true;
    }
    // Character data and child elements up to the end tag of name.
    bool Content(std::string_view name, int depth) {
        while (i_ < s_.size()) {
            if (Take('&')) {
                if (!Reference()) return false;
            } else if (s_.substr(i_, 2) == "</") {
                i_ += 2;
                return Name() == name && (Space(), Take('>'));
            } else if (Peek() == '<') {
                if (!Element(depth + 1)) return false;
            } else {
                if (s_.substr(i_, 3) == "]]>") return false;
                ++i_;
            }
        }
        return false;
    }
    bool Element(int depth = 0) {
        if (depth > kMaxDepth || !Take('<')) return false;
        const std::string_view name = Name();
        if (name.empty() || !Attributes()) return false;
        if (Take('/')) return Take('>');
        return Take('>') && Content(name, depth);
    }
};

}  // namespace

bool IsValidUtf8(std::string_view text) {
    std::vector<uint32_t> codes;
    return Decode(text, codes);
}

bool IsStrictJson(std::string_view text) { return IsValidUtf8(text) && Json(text).Whole(); }

bool IsWellFormedXml(std::string_view text) {
    std::vector<uint32_t> codes;
    if (!Decode(text, codes)) return false;
    for (uint32_t c : codes)
        if (!XmlAllows(c)) return false;
    return Xml(text).Whole();
}

}  // namespace quillon::test
