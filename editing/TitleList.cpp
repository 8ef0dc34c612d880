#include "editing/TitleList.h"

#include "app/ErrorCodes.h"
#include "editing/TextFile.h"

namespace quillon::engine {
namespace {

constexpr std::string_view kSpace = " \t";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kSpace) - first + 1);
}

// How many bytes a dash (the hyphen, or the en or em dash) takes at the start of s; 0 when none.
std::size_t DashLength(std::string_view s) {
    if (s.substr(0, 1) == "-") return 1;
    if (s.substr(0, 3) == "\u2013" || s.substr(0, 3) == "\u2014") return 3;
    return 0;
}

}  // namespace

std::string StripNumbering(std::string_view line) {
    std::size_t at = 0;
    if (!line.empty() && line[0] >= 'A' && line[0] <= 'Z') at = 1;
    const std::size_t digits = at;
    while (at < line.size() && IsDigit(line[at]) && at - digits < 3) ++at;
    if (at == digits || at == line.size()) return std::string(line);
    const char separator = line[at];
    if (separator == '.' || separator == ')') {
        if (at + 1 < line.size() && IsDigit(line[at + 1])) return std::string(line);
        ++at;
    } else if (kSpace.find(separator) == std::string_view::npos) {
        return std::string(line);  // "1999" or "A1B": no numbering
    }
    std::string_view rest = Trim(line.substr(at));
    if (separator == ' ' || separator == '\t') {
        const std::size_t dash = DashLength(rest);
        if (dash > 0 && (rest.size() == dash || kSpace.find(rest[dash]) != std::string_view::npos)) {
            rest = Trim(rest.substr(dash));
        }
    }
    return rest.empty() ? std::string(line) : std::string(rest);
}

std::vector<std::string> ParseTitleList(std::string_view text) {
    const std::string utf8 = TextAsUtf8(text);
    std::vector<std::string> titles;
    std::string_view rest = utf8;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = Trim(rest.substr(0, end));
        if (end == std::string_view::npos) {
            rest = {};
        } else {
            rest.remove_prefix(rest.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1);
        }
        if (line.empty() || line[0] == '#') continue;
        titles.push_back(StripNumbering(line));
    }
    return titles;
}

TitleListRead ReadTitleList(const std::string& path) {
    TextFileRead file = ReadTextFile(path);
    if (!file.Error.empty()) return {{}, std::move(file.Error)};
    std::vector<std::string> titles = ParseTitleList(file.Text);
    if (titles.empty()) return {{}, FormatText(text::kTitleListEmpty, {path})};
    return {std::move(titles), {}};
}

}  // namespace quillon::engine
