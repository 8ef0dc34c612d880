#pragma once
// Small path and file helpers shared by the engine and the windows. Paths are
// UTF-8 and "/" is the separator.

#include <string>

namespace quillon::engine {

// path + "/" for a non-empty path whose last character is not "/"; else path.
[[nodiscard]] std::string AddTrailingBackslash(const std::string& path);
// The part after the last "/" (the whole path when there is none).
[[nodiscard]] std::string ExtractFileName(const std::string& path);
// Everything up to the last "/" (exclusive; "/" for a file in the root), or "".
[[nodiscard]] std::string ExtractFileDir(const std::string& path);
// name without its extension: the text from the last "." of the file name on.
// A name without a dot is returned whole.
[[nodiscard]] std::string RemoveExtension(const std::string& name);
// The extension of the file name, from its last "." on, or "".
[[nodiscard]] std::string ExtractFileExt(const std::string& path);
// Something other than a folder exists at path.
[[nodiscard]] bool FileExists(const std::string& path);
[[nodiscard]] bool DirectoryExists(const std::string& path);

}  // namespace quillon::engine

namespace quillon::engine {

// text with ASCII letters in upper case.
[[nodiscard]] std::string ToUpper(std::string text);
// a and b are the same text when ASCII letter case is ignored.
[[nodiscard]] bool EqualsIgnoringCase(const std::string& a, const std::string& b);

// A folder of the program's shipped files (artwork, help): beside the program
// in a build tree, else in ../share/quillon of an installed program. Ends in
// "/"; empty when neither exists.
[[nodiscard]] std::string DataFolder(const std::string& name);

// The version the build compiled in, or "No Version Information Found".
[[nodiscard]] std::string GetFileVersionText();

}  // namespace quillon::engine
