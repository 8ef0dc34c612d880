#pragma once
// The three ways quillon-cli prints a track list. Names and paths may hold
// any bytes; each format stays valid UTF-8 and keeps its own structure (see
// cli/TextEscape.h for the replacement of invalid bytes).

#include <string>

#include "app/TrackList.h"
#include "cli/Commands.h"
#include "cli/ConsoleSeam.h"

namespace quillon::cli {

// One "Name<TAB>Start<TAB>Stop<TAB>Duration" line per track, no header. A tab
// or line break in a name is a space.
[[nodiscard]] std::string FormatTsv(const engine::TrackList& tracks);

// {"file", the format facts (rate, bits, channels, format and sub-format
// tags, valid bits, floating point, duration), the thresholds used, the
// overview's resolution, "tracks": [{"name","start","stop","duration","title"}]
// ("title" null for a track without one), and
// "nothingFound" (its figures and words) when there is one track}. Control characters are
// escaped; an invalid byte is U+FFFD, written as UTF-8.
[[nodiscard]] std::string FormatJson(const Analysis& analysis, const WaveFacts& facts);

// A CUE sheet for the recording at path: one TRACK per track, INDEX 01 at its
// start in CD frames (75 a second, rounded to the nearest frame), its title
// as TITLE (its name when it has none). In titles, a
// double quote is a single one, a tab or line break a space.
[[nodiscard]] std::string FormatCue(const engine::TrackList& tracks, const std::string& path);

// Milliseconds as a CUE time mm:ss:ff.
[[nodiscard]] std::string CueTime(uint32_t ms);

}  // namespace quillon::cli
