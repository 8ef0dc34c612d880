#pragma once
// A CUE sheet, read with libcue: the album's and each track's text and each
// track's start. Text that is not UTF-8 is taken as Windows-1252 (TextFile.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::engine {

// CUE times count frames of 1/75 s.
inline constexpr uint32_t kCueFramesPerSecond = 75;

struct CueTrack {
    std::string Title, Performer;  // "" when the sheet has none
    // INDEX 01 in milliseconds (rounded to the nearest), from the start of
    // the track's file; none when the track has no INDEX 01.
    std::optional<uint32_t> StartMs;
};

struct CueSheet {
    std::string Title, Performer, Date, Genre;  // TITLE, PERFORMER, REM DATE, REM GENRE; "" when absent
    std::vector<CueTrack> Tracks;               // in the sheet's order
    std::string Error;                          // "" when read; else the message for the user
};

// CUE frames to whole milliseconds, rounded to the nearest.
[[nodiscard]] constexpr uint32_t CueFramesToMs(uint64_t frames) {
    return uint32_t((frames * 1000 + kCueFramesPerSecond / 2) / kCueFramesPerSecond);
}

// The sheet in text; name is what the Error calls it (the file's path). A
// sheet libcue refuses (it refuses one without tracks) gives an Error and
// nothing else.
[[nodiscard]] CueSheet ParseCueSheet(std::string_view text, const std::string& name);

// The sheet in the file at path.
[[nodiscard]] CueSheet ReadCueSheet(const std::string& path);

// The sheet's track titles in order ("" for a track without one), as a title list gives them.
[[nodiscard]] std::vector<std::string> CueTitles(const CueSheet& sheet);

}  // namespace quillon::engine
