#pragma once
// Thresholds found for the number of tracks the user expects. The real gaps
// of a record side stand out from the pauses inside its pieces: at a good
// silence amplitude the (N-1)-th longest quiet stretch is clearly longer than
// the N-th. Candidates come from the level overview (whole columns, so a
// stretch read there is at most two columns shorter than the scan's); the
// chosen pair is confirmed by the analysis itself.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AnalysisJob.h"
#include "analysis/LevelOverview.h"
#include "app/WindowSeam.h"

namespace quillon::engine {

// A pair that can be stored as the settings, and the tracks it gives.
struct ThresholdChoice {
    int32_t AmplitudePercent = 0;  // 1..100
    int32_t DurationSeconds = 0;   // 1..100
    int32_t Tracks = 0;            // read off the overview by Rank..., confirmed by Suggest...
};

// The cuts the analysis would make at percent and minSilenceMs, read off the
// overview: the middle frame of each quiet stretch longer than the minimum.
[[nodiscard]] std::vector<uint64_t> PredictedCuts(const LevelOverview& overview, int32_t percent, int32_t minSilenceMs);

// Every pair the overview says gives expected tracks, best first: the largest
// separation (the (N-1)-th longest stretch over the N-th; none at all counts
// as perfect), near ties going to the amplitude closest to currentPercent,
// each with its duration in the middle of the gap between the two lengths.
// When no pair gives expected tracks, the one pair that comes closest.
[[nodiscard]] std::vector<ThresholdChoice> RankThresholds(const LevelOverview& overview, int32_t expected,
                                                          int32_t currentPercent);

// The best pair for expected tracks, confirmed by analysing path with it (a
// candidate the analysis disagrees with gives way to the next, twice at
// most); Tracks is what the analysis gave, and tracks and report (when given)
// receive that analysis's results. Nothing when the analysis failed (seam
// showed why) or job's abort was requested.
[[nodiscard]] std::optional<ThresholdChoice> SuggestThresholds(const std::string& path, const LevelOverview& overview,
                                                               int32_t expected, int32_t currentPercent,
                                                               AnalysisJob& job, WindowSeam& seam,
                                                               TrackList* tracks = nullptr,
                                                               AnalysisReport* report = nullptr);

}  // namespace quillon::engine
