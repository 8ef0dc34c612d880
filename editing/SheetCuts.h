#pragma once
// "Cut at the sheet's times": the boundaries between the tracks of the list
// move to the CUE sheet's, each settled in the quiet around the sheet's time.
// Rows are neither split nor merged: the sheet must list as many tracks as the
// list has rows.

#include <cstdint>
#include <string>

#include "analysis/LevelOverview.h"
#include "app/TrackList.h"
#include "editing/CueSheet.h"

namespace quillon::engine {

// How far from the sheet's time a boundary may settle, each way.
inline constexpr uint32_t kSheetCutReachMs = 10000;

enum class SheetCutFault {
    None,
    CountsDiffer,  // the sheet's tracks and the list's rows
    NoStart,       // a track after the first has no INDEX 01
    BadTime,       // a start not after the one before it, or outside the list's span
};

struct SheetCuts {
    SheetCutFault Fault = SheetCutFault::None;
    std::string Error;  // the message for the user when Fault is not None
    TrackList Tracks;   // the new list when Fault is None
};

// The list with the boundary before each row i > 0 (the row's Start and the
// Stop of the row above) at the sheet's INDEX 01 of track i + 1, moved to the
// middle of the longest quiet stretch of overview at amplitudePercent within
// kSheetCutReachMs of it and nearer to it than to the sheet's times around it
// (the list's first Start and last Stop stand for those of the first and last
// track; a stretch reaching past these bounds counts only as far as it
// reaches in), or left at the sheet's time where there is none. The sheet's times count from the
// recording's start. The first Start and the last Stop stay; times are whole
// milliseconds and every Duration is made again. A row whose times change is
// no longer saved (WaveSaved 0, every Outdated bit set); names and check
// boxes stay.
[[nodiscard]] SheetCuts CutAtSheetTimes(const TrackList& tracks, const CueSheet& sheet, const LevelOverview& overview,
                                        int32_t amplitudePercent);

}  // namespace quillon::engine
