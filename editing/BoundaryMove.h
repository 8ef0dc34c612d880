#pragma once
// Moving the cut between two neighbouring tracks, as a drag on the overview
// or a key press does. Boundary b (1 <= b < size) is the cut between track
// b - 1 and track b; moving it by d moves Stop(b - 1) and Start(b) by d, so a
// gap between the two tracks keeps its length.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "app/TrackList.h"

namespace quillon::engine {

// Start(b) in milliseconds; 0 for an invalid b.
[[nodiscard]] uint32_t BoundaryMs(const TrackList& tracks, std::size_t b);

// The lowest and highest new Start(b) that leave both tracks at least 1 ms
// long; nothing for an invalid b or when no position does.
[[nodiscard]] std::optional<std::pair<uint32_t, uint32_t>> BoundaryRange(const TrackList& tracks, std::size_t b);

// Moves boundary b so that Start(b) is newStartMs clamped to BoundaryRange,
// and makes both Durations again. Returns whether the list changed; when it
// did, both tracks are no longer saved (WaveSaved 0, every Outdated bit set:
// their files hold the old range). Names, titles and check boxes stay.
bool MoveBoundary(TrackList& tracks, std::size_t b, uint32_t newStartMs);

}  // namespace quillon::engine
