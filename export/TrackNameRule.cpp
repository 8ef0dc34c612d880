#include "export/TrackNameRule.h"

#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

constexpr const char* kSlashOrQuote = "/\"";
constexpr const char* kLineBreak = "\r\n";

}  // namespace

TrackNameFault FindTrackNameFault(const std::string& name) {
    if (name.empty()) return TrackNameFault::Empty;
    if (name == "." || name == "..") return TrackNameFault::DotName;
    if (name.find_first_of(kSlashOrQuote) != std::string::npos) return TrackNameFault::SlashOrQuote;
    if (name.find_first_of(kLineBreak) != std::string::npos) return TrackNameFault::LineBreak;
    return TrackNameFault::None;
}

std::string UsableTrackName(const std::string& text) {
    std::string name;
    name.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/') {
            name += '-';
        } else if (c == '"') {
            name += '\'';
        } else if (c == '\r' || c == '\n') {
            name += ' ';
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;  // CR LF is one break
        } else {
            name += c;
        }
    }
    return name;
}

std::string UnsavableNameText(const std::string& name) {
    const char* reason = nullptr;
    switch (FindTrackNameFault(name)) {
    case TrackNameFault::None: return {};
    case TrackNameFault::Empty: reason = text::kNameEmpty; break;
    case TrackNameFault::DotName: reason = text::kNameIsDots; break;
    case TrackNameFault::SlashOrQuote: reason = text::kNameHoldsSlashOrQuote; break;
    case TrackNameFault::LineBreak: reason = text::kNameHoldsLineBreak; break;
    }
    // The status line is one line: a break in the name is shown, not made.
    std::string shown;
    for (char c : name) shown += (c == '\n' || c == '\r') ? std::string("\u21B5") : std::string(1, c);
    return FormatText(text::kNameCannotBeSaved, {shown, reason});
}

}  // namespace quillon::engine
