#pragma once
// Small text files from the wild (title lists, CUE sheets), read whole and
// turned into UTF-8: a leading UTF-8 byte-order mark is dropped, and text that
// is not valid UTF-8 is taken as Windows-1252, the code page older rippers
// and editors on Windows write in.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon::engine {

// Larger files are refused: no title list or sheet comes near it, and a
// recording chosen by mistake is not read into memory.
inline constexpr std::size_t kMaxTextFileBytes = 1024 * 1024;

// bytes as UTF-8, by the rules above.
[[nodiscard]] std::string TextAsUtf8(std::string_view bytes);

struct TextFileRead {
    std::string Text;   // UTF-8
    std::string Error;  // "" when read; else the message for the user
};

// The whole file at path as UTF-8; a file that cannot be read or is larger
// than kMaxTextFileBytes gives an Error naming the file.
[[nodiscard]] TextFileRead ReadTextFile(const std::string& path);

}  // namespace quillon::engine
