#include "editing/BoundaryMove.h"

#include <algorithm>

#include "analysis/TrackTimes.h"

namespace quillon::engine {
namespace {

void Changed(TRACK_INFO_STRUCT& track) {
    track.Duration = FormatTime(TrackMs(track.Stop) - TrackMs(track.Start));
    track.WaveSaved = 0;
    track.Outdated = kAllOutdated;
}

}  // namespace

uint32_t BoundaryMs(const TrackList& tracks, std::size_t b) {
    return b >= 1 && b < tracks.size() ? TrackMs(tracks[b].Start) : 0;
}

std::optional<std::pair<uint32_t, uint32_t>> BoundaryRange(const TrackList& tracks, std::size_t b) {
    if (b < 1 || b >= tracks.size()) return std::nullopt;
    const int64_t upperStart = TrackMs(tracks[b - 1].Start), upperStop = TrackMs(tracks[b - 1].Stop);
    const int64_t start = TrackMs(tracks[b].Start), stop = TrackMs(tracks[b].Stop);
    // Start(b) - Stop(b - 1) stays, so the upper track's 1 ms bounds Start(b) from below.
    const int64_t low = std::max<int64_t>(upperStart + 1 + (start - upperStop), 0);
    const int64_t high = stop - 1;
    if (low > high) return std::nullopt;
    return std::pair{uint32_t(low), uint32_t(high)};
}

bool MoveBoundary(TrackList& tracks, std::size_t b, uint32_t newStartMs) {
    const auto range = BoundaryRange(tracks, b);
    if (!range) return false;
    const uint32_t start = TrackMs(tracks[b].Start);
    const uint32_t moved = std::clamp(newStartMs, range->first, range->second);
    if (moved == start) return false;
    TRACK_INFO_STRUCT& upper = tracks[b - 1];
    upper.Stop = FormatTime(uint32_t(int64_t(TrackMs(upper.Stop)) + int64_t(moved) - int64_t(start)));
    tracks[b].Start = FormatTime(moved);
    Changed(upper);
    Changed(tracks[b]);
    return true;
}

}  // namespace quillon::engine
