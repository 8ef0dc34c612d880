#pragma once
// A title list: plain text with one title per line, to name the tracks in
// order. Blank lines and lines starting with "#" are left out; a leading
// numbering ("A1.", "B2 ", "1.", "01 -", "1)") is removed from each title.

#include <string>
#include <string_view>
#include <vector>

namespace quillon::engine {

// The line without its leading numbering: an optional side letter (A-Z) and
// one to three digits, then ".", ")", " -" or white space, and the white
// space after it. A line that is nothing but a numbering is kept whole, and
// so is one where "." or ")" is followed by a digit ("1.5 Hours").
[[nodiscard]] std::string StripNumbering(std::string_view line);

// The titles of text (UTF-8; a BOM and CR LF or CR line ends are taken in
// their stride), each trimmed of surrounding white space.
[[nodiscard]] std::vector<std::string> ParseTitleList(std::string_view text);

struct TitleListRead {
    std::vector<std::string> Titles;
    std::string Error;  // "" when read; else the message for the user
};

// The titles of the file at path (read as TextFile.h says); a file that
// cannot be read or holds no title gives an Error.
[[nodiscard]] TitleListRead ReadTitleList(const std::string& path);

}  // namespace quillon::engine
