#pragma once
// Which track names the save can use as a file name, and why another cannot:
// the save refuses them, and the window flags them as soon as they are typed.

#include <string>

namespace quillon::engine {

enum class TrackNameFault {
    None,
    Empty,
    DotName,       // "." or "..": a folder, not a file
    SlashOrQuote,  // "/" parts a path; '"' would split the name on the companion's command line
    LineBreak      // a file name of two lines is one no list or box of the program can show whole
};

[[nodiscard]] TrackNameFault FindTrackNameFault(const std::string& name);

// A track name that can be a file name in the output folder.
[[nodiscard]] inline bool IsUsableTrackName(const std::string& name) {
    return FindTrackNameFault(name) == TrackNameFault::None;
}

// text made into a track name the save takes: "/" becomes "-", '"' becomes
// "'", and each line break (CR LF, CR or LF) a space. Text that still cannot
// be a name ("", "." or "..") is returned as it is; IsUsableTrackName tells.
[[nodiscard]] std::string UsableTrackName(const std::string& text);

// The status line's flag for a name the save would refuse: the name (its line
// breaks shown as "↵") and the reason; "" for a usable name.
[[nodiscard]] std::string UnsavableNameText(const std::string& name);

}  // namespace quillon::engine
