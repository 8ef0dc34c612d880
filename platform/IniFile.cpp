#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>
#include <random>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/UniqueFd.h"

namespace quillon::platform {
namespace {

// What the reader trims from both ends of names and values.
constexpr const char* kBlanks = " \t\r";

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

// A value in one pair of quotes, which the reader drops.
bool Enclosed(const std::string& v) {
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

// The key of a "key=value" line (any line that is not a section), or nothing.
std::optional<std::string> KeyOf(const std::string& line) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

std::string ValueOf(const std::string& line) {
    std::string v = Trim(line.substr(line.find('=') + 1));
    if (Enclosed(v)) v = v.substr(1, v.size() - 2);
    return v;
}

// The value as the file holds it. One the reader would change (blanks at an
// end, enclosing quotes) goes in double quotes, which the reader drops again,
// so it comes back exactly; any other is written as it is.
std::string Stored(const std::string& value) {
    const std::string_view blanks(kBlanks);
    if (value.empty()) return value;
    const bool trimmed = blanks.find(value.front()) != blanks.npos || blanks.find(value.back()) != blanks.npos;
    return trimmed || Enclosed(value) ? '"' + value + '"' : value;
}

enum class FileState { Missing, Read, Unreadable };

// The file's text. A missing file has none. One that is there but is not a
// regular file, is over kProfileFileLimit or cannot be read to its end is
// Unreadable: a write keeps every line it does not change, so it must then
// leave the file alone. O_NONBLOCK keeps the open of a FIFO from waiting for a
// writer that never comes; the size limit keeps a link to an endless file from
// filling the memory.
FileState ReadText(const std::string& path, std::string* text) {
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) return errno == ENOENT ? FileState::Missing : FileState::Unreadable;
    struct stat st {};
    if (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || std::size_t(st.st_size) > kProfileFileLimit)
        return FileState::Unreadable;
    // One byte past the limit tells a file that grew since fstat.
    char buffer[8192];
    while (text->size() <= kProfileFileLimit) {
        const ssize_t n = read(file.get(), buffer, sizeof buffer);
        if (n == 0) return FileState::Read;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FileState::Unreadable;
        text->append(buffer, std::size_t(n));
    }
    return FileState::Unreadable;
}

// The lines of text, split at '\n'; a '\r' before it stays in the line.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

enum class LineEnd { Lf, Crlf };

// The line end of the text's first line; LF for a text of one unended line or none.
LineEnd LineEndOf(const std::string& text) {
    const auto lf = text.find('\n');
    return lf != std::string::npos && lf > 0 && text[lf - 1] == '\r' ? LineEnd::Crlf : LineEnd::Lf;
}

// The lines, each ended with end. A CRLF file gets CRLF on every line, so one
// a hand edit left with LF alone does not keep the file mixed.
std::string Joined(const std::vector<std::string>& lines, LineEnd end) {
    std::string text;
    for (std::string_view line : lines) {
        if (end == LineEnd::Crlf && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        text.append(line).append(end == LineEnd::Crlf ? "\r\n" : "\n");
    }
    return text;
}

struct Location {
    std::optional<std::size_t> sectionLine;  // the "[section]" line
    std::optional<std::size_t> keyLine;      // the key's line inside it
    std::size_t insertAt = 0;                // after the section's last non-blank line
};

Location Find(const std::vector<std::string>& lines, const std::string& section, const std::string& key) {
    Location loc;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionOf(lines[i])) {
            if (inside) break;
            inside = !loc.sectionLine && EqualsIgnoreCase(*name, section);
            if (inside) {
                loc.sectionLine = i;
                loc.insertAt = i + 1;
            }
            continue;
        }
        if (!inside) continue;
        if (!Trim(lines[i]).empty()) loc.insertAt = i + 1;
        auto k = KeyOf(lines[i]);
        if (k && !loc.keyLine && EqualsIgnoreCase(*k, key)) loc.keyLine = i;
    }
    return loc;
}

std::string Cut(std::string s) {
    if (s.size() > kProfileBufferSize - 1) s.resize(kProfileBufferSize - 1);
    return s;
}

// The file a write replaces: path itself, or the file its chain of links ends
// at, which need not exist yet. Replacing the link instead would cut it from
// the file it names. Nothing when a link cannot be read or the chain loops
// (the kernel gives up after 40 links too).
std::optional<std::string> FinalTarget(std::string path) {
    for (int links = 0; links <= 40; ++links) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? std::optional(path) : std::nullopt;
        if (!S_ISLNK(st.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || std::size_t(n) == sizeof target) return std::nullopt;
        const auto slash = path.rfind('/');
        const std::string folder = target[0] == '/' || slash == std::string::npos ? "" : path.substr(0, slash + 1);
        path = folder + std::string(target, std::size_t(n));
    }
    return std::nullopt;
}

// A new empty file beside path, for writing. It is made with 0666 so that the
// umask gives it the mode any new file of the user's gets.
int CreateBeside(const std::string& path, std::string* made) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%06llx", static_cast<unsigned long long>(random() & 0xFFFFFF));
        *made = path + suffix;
        const int fd = open(made->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes text to a new file beside path and renames it over path. The file
// that was there keeps its mode.
bool WriteAtomically(const std::string& path, const std::string& text, bool existed) {
    std::string tmp;
    const int fd = CreateBeside(path, &tmp);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = !existed || (stat(path.c_str(), &st) == 0 && fchmod(fd, st.st_mode & 07777) == 0);
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) ok = false;
        else done += std::size_t(n);
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) unlink(tmp.c_str());
    return ok;
}

}  // namespace

bool HasLineBreak(const std::string& value) { return value.find_first_of("\r\n") != std::string::npos; }

std::string GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                                    const std::string& path) {
    std::string text;
    if (ReadText(path, &text) != FileState::Read) return Cut(defaultValue);
    const std::vector<std::string> lines = Lines(text);
    const Location loc = Find(lines, section, key);
    if (!loc.keyLine) return Cut(defaultValue);
    return Cut(ValueOf(lines[*loc.keyLine]));
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path) {
    if (HasLineBreak(value)) return false;
    const std::optional<std::string> target = FinalTarget(path);
    if (!target) return false;
    std::string old;
    const FileState state = ReadText(*target, &old);
    if (state == FileState::Unreadable) return false;
    std::vector<std::string> lines = Lines(old);
    const Location loc = Find(lines, section, key);
    const std::string entry = key + "=" + Stored(value);
    if (loc.keyLine) {
        lines[*loc.keyLine] = entry;
    } else if (loc.sectionLine) {
        lines.insert(lines.begin() + std::ptrdiff_t(loc.insertAt), entry);
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    return WriteAtomically(*target, Joined(lines, LineEndOf(old)), state == FileState::Read);
}

}  // namespace quillon::platform
