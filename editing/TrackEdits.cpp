#include "editing/TrackEdits.h"

#include "analysis/TrackTimes.h"

namespace quillon::engine {

std::optional<std::size_t> FirstCheckedOrSelected(const std::vector<RowMark>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].checked || rows[i].selected) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> FirstSelectedElseChecked(const std::vector<RowMark>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].selected) return i;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].checked) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> MergeUpperRow(const std::vector<RowMark>& rows) {
    bool pair = false;
    for (std::size_t i = 0; i + 1 < rows.size() && !pair; ++i) pair = rows[i].checked && rows[i + 1].checked;
    if (!pair) return std::nullopt;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].checked) return i;
    }
    return std::nullopt;
}

bool SplitPointInside(const TRACK_INFO_STRUCT& track, uint32_t pointMs) {
    return TrackMs(track.Start) < pointMs && pointMs < TrackMs(track.Stop);
}

void SplitTrack(TrackList& tracks, std::size_t index, uint32_t pointMs) {
    if (index >= tracks.size()) return;
    const TRACK_INFO_STRUCT old = tracks[index];
    const std::string point = FormatTime(pointMs);
    TRACK_INFO_STRUCT first{old.Name + ".A", old.Start, point, FormatTime(pointMs - TrackMs(old.Start)), 0, 0};
    TRACK_INFO_STRUCT second{old.Name + ".B", point, old.Stop, FormatTime(TrackMs(old.Stop) - pointMs), 0, 0};
    tracks[index] = std::move(first);
    tracks.insert(tracks.begin() + std::ptrdiff_t(index) + 1, std::move(second));
}

void MergeTracks(TrackList& tracks, std::size_t upper) {
    if (upper + 1 >= tracks.size()) return;
    const TRACK_INFO_STRUCT removed = tracks[upper];
    tracks.erase(tracks.begin() + std::ptrdiff_t(upper));
    TRACK_INFO_STRUCT& merged = tracks[upper];
    merged.Start = removed.Start;
    merged.Duration = FormatTime(TrackMs(merged.Stop) - TrackMs(merged.Start));
    merged.Name = removed.Name;
    merged.Title = removed.Title;
}

}  // namespace quillon::engine
