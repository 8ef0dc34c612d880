#include "editing/TextFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The length of the UTF-8 sequence at the start of s, or 0 when it is not a
// valid one (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t SequenceLength(std::string_view s) {
    const auto byte = [&](std::size_t i) { return uint8_t(s[i]); };
    const uint8_t lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

bool IsUtf8(std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t length = SequenceLength(s.substr(at));
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void AppendCodePoint(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Windows-1252 bytes 0x80-0x9F; the five it leaves undefined keep their value.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string FromWindows1252(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (const char ch : s) {
        const uint8_t b = uint8_t(ch);
        AppendCodePoint(out, b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b);
    }
    return out;
}

}  // namespace

std::string TextAsUtf8(std::string_view bytes) {
    if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
    return IsUtf8(bytes) ? std::string(bytes) : FromWindows1252(bytes);
}

TextFileRead ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {{}, FormatText(text::kTextFileUnreadable, {path, std::strerror(errno)})};
    std::string bytes;
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, std::size_t(in.gcount()));
        if (bytes.size() > kMaxTextFileBytes) return {{}, FormatText(text::kTextFileTooLarge, {path})};
    }
    if (in.bad()) return {{}, FormatText(text::kTextFileUnreadable, {path, std::strerror(errno)})};
    return {TextAsUtf8(bytes), {}};
}

}  // namespace quillon::engine
