#pragma once
// The three ways quillon-cli prints a track list.

#include <string>

#include "app/TrackList.h"
#include "cli/Commands.h"
#include "cli/ConsoleSeam.h"

namespace quillon::cli {

// One "Name<TAB>Start<TAB>Stop<TAB>Duration" line per track, no header.
[[nodiscard]] std::string FormatTsv(const engine::TrackList& tracks);

// {"file", the format facts, the thresholds used, the overview's resolution,
// "tracks": [{"name","start","stop","duration"}], and "nothingFound" (its
// figures and words) when there is one track}.
[[nodiscard]] std::string FormatJson(const Analysis& analysis, const WaveFacts& facts);

// A CUE sheet for the recording at path: one TRACK per track, INDEX 01 at its
// start in CD frames (75 a second, rounded to the nearest frame).
[[nodiscard]] std::string FormatCue(const engine::TrackList& tracks, const std::string& path);

// Milliseconds as a CUE time mm:ss:ff.
[[nodiscard]] std::string CueTime(uint32_t ms);

}  // namespace quillon::cli
