#pragma once
// Private profile (INI) files with the semantics of the classic profile-string
// calls: section and key names match ignoring (ASCII) case, values are trimmed
// and one pair of enclosing quotes is dropped, lines the program did not write
// are kept as they are, and a write creates the file, section and key it needs.

#include <cstddef>
#include <string>

namespace quillon::platform {

// Size of the reader's buffer, terminator included: at most 2,047 characters come back.
constexpr std::size_t kProfileBufferSize = 2048;

// The largest settings file read, in bytes. Settings take a few kilobytes; a
// larger file is not one the program wrote.
constexpr std::size_t kProfileFileLimit = std::size_t(1) << 20;

// The value of key in section of the file at path, cut to kProfileBufferSize - 1
// characters; defaultValue (cut the same way) when the file, section or key is
// missing, or the file is not a regular one, is over kProfileFileLimit or cannot
// be read. Never waits: a FIFO at path reads as no file.
std::string GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                                    const std::string& path);

// True when value holds a line break ('\n' or '\r'). The file keeps one value
// a line, so such a value cannot be written.
[[nodiscard]] bool HasLineBreak(const std::string& value);

// Sets key=value in section, creating what is missing. A value the reader would
// change (blanks at an end, enclosing quotes) is written in double quotes, so it
// reads back as it was; any other value is written as it is. The file is
// replaced atomically (written beside itself, then renamed), so a failed write
// leaves the old file whole. A link is written through when the file at the end
// of its chain is a regular one or missing: that file is replaced and the link
// kept. The file keeps its mode and the line end of its first line (CRLF or LF)
// on every line; a new one gets 0666 less the umask and LF. False when value
// holds a line break, or when the file cannot be written, or is there but is not
// a regular file, is over kProfileFileLimit or cannot be read (it is then left
// as it is); the folder must exist.
[[nodiscard]] bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                             const std::string& value, const std::string& path);

}  // namespace quillon::platform
