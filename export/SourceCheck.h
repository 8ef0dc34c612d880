#pragma once
// The save's check that the recording it reopened is still the one the
// tracks were found in. A recording trimmed or replaced after the analysis
// would otherwise give short, empty or foreign tracks under the old names.

#include <optional>

#include "analysis/SourceIdentity.h"
#include "app/TrackList.h"
#include "export/TrackWriter.h"

namespace quillon::engine {

// True when source (opened, available measured) is the analysed file, when
// its identity was kept, and holds the audio of every checked track in whole
// milliseconds, as the analysis timed them.
[[nodiscard]] bool HoldsAnalysedTracks(const Source& source, const std::optional<SourceIdentity>& analysed,
                                       const TrackList& tracks);

// The name of the first checked track ("" when none is checked).
[[nodiscard]] std::string FirstCheckedName(const TrackList& tracks);

}  // namespace quillon::engine
