#pragma once
// Split and merge on the track list, and the rules that pick the rows they act
// on. Records are found by their row's index (rows and records are in the same
// order), so repeated names never make the wrong record change.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/TrackList.h"

namespace quillon::engine {

// The check box and selection of one row of the list view.
struct RowMark {
    bool checked = false;
    bool selected = false;
};

// The first row that is checked or selected: the row Split works on.
[[nodiscard]] std::optional<std::size_t> FirstCheckedOrSelected(const std::vector<RowMark>& rows);
// The first selected row, else the first checked one: the row a preview plays.
[[nodiscard]] std::optional<std::size_t> FirstSelectedElseChecked(const std::vector<RowMark>& rows);
// When some row and the row below it are both checked, the first checked row
// (the upper row of the merge; the row below it is the lower one); else nothing.
[[nodiscard]] std::optional<std::size_t> MergeUpperRow(const std::vector<RowMark>& rows);

// True when start < point < stop, the times compared as unsigned milliseconds.
[[nodiscard]] bool SplitPointInside(const TRACK_INFO_STRUCT& track, uint32_t pointMs);

// Replaces track index by "<name>.A" (start..point) and "<name>.B"
// (point..stop), both unchecked and unsaved. The caller has checked the point
// with SplitPointInside.
void SplitTrack(TrackList& tracks, std::size_t index, uint32_t pointMs);

// Joins track upper and the track below it into one record: the lower record
// keeps its place and flags and takes the upper name and start; the upper
// record goes. A gap between the two is absorbed.
void MergeTracks(TrackList& tracks, std::size_t upper);

}  // namespace quillon::engine
