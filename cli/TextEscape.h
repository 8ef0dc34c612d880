#pragma once
// Names reach the printed formats as whatever bytes the file system held.
// These helpers read them as UTF-8 and give every format the same view: each
// well-formed sequence is its character, each byte that begins none is one
// U+FFFD, so the output of every format is valid UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon::cli {

inline constexpr char32_t kReplacementChar = 0xFFFD;

struct Utf8Char {
    char32_t code;       // the character; kReplacementChar for an invalid byte
    std::size_t length;  // bytes it took: 1 to 4, and 1 for an invalid byte
};

// The character at the start of text (not empty). Overlong forms, surrogates,
// values past U+10FFFF and cut-off sequences are invalid.
[[nodiscard]] Utf8Char NextUtf8(std::string_view text);

// code (at most U+10FFFF, no surrogate) appended to out as UTF-8.
void AppendUtf8(std::string& out, char32_t code);

// text with each invalid byte replaced by U+FFFD.
[[nodiscard]] std::string ValidUtf8(std::string_view text);

// For one line of a line-based format (TSV, CUE): valid UTF-8, each tab and
// each line break (CR, LF, or CR LF together) one space.
[[nodiscard]] std::string OneLine(std::string_view text);

}  // namespace quillon::cli
