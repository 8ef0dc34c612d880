#include "cli/TextEscape.h"

namespace quillon::cli {
namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// What a lead byte promises: the sequence's length and the range its second
// byte must fall in (narrower than 80..BF where that rules out overlong forms,
// surrogates and values past U+10FFFF). length 0: no lead byte.
struct Lead {
    std::size_t length;
    unsigned char low, high;
};

Lead LeadOf(unsigned char b) {
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

}  // namespace

Utf8Char NextUtf8(std::string_view text) {
    const auto first = static_cast<unsigned char>(text[0]);
    if (first < 0x80) return {first, 1};
    const Lead lead = LeadOf(first);
    const Utf8Char invalid{kReplacementChar, 1};
    if (lead.length == 0 || text.size() < lead.length) return invalid;
    const auto second = static_cast<unsigned char>(text[1]);
    if (second < lead.low || second > lead.high) return invalid;
    char32_t code = first & (0x7F >> lead.length);  // the lead byte's share of the bits
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (!IsContinuation(b)) return invalid;
        code = code << 6 | (b & 0x3F);
    }
    return {code, lead.length};
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | code >> 6);
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | code >> 12);
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | code >> 18);
        out += char(0x80 | (code >> 12 & 0x3F));
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Char c = NextUtf8(text);
        AppendUtf8(out, c.code);
        text.remove_prefix(c.length);
    }
    return out;
}

std::string OneLine(std::string_view text) {
    std::string out = ValidUtf8(text);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (c == '\r' && i + 1 < out.size() && out[i + 1] == '\n') continue;  // the LF makes the space
        out[kept++] = (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    }
    out.resize(kept);
    return out;
}

}  // namespace quillon::cli
