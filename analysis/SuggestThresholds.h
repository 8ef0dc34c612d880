#pragma once
// Thresholds found for the number of tracks the user expects. Gaps sit at
// the recording's floor, so the search starts at the lowest amplitude and
// takes the first one at which the N-1 longest quiet stretches stand out
// clearly from the rest and pass the judgement of analysis/GapCandidates.h:
// at a higher amplitude a quiet intro or a fade-out joins a gap and moves its
// middle into the music. When no amplitude passes, nothing is claimed: the
// answer is the closest count that does, and it says so. Candidates come
// from the level overview; the pair given is confirmed by the analysis itself.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AnalysisRecord.h"
#include "analysis/GapCandidates.h"
#include "analysis/LevelOverview.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"

namespace quillon::engine {

// The cuts the analysis would make at percent and minSilenceMs, read off the
// overview: the middle frame of each quiet stretch longer than the minimum.
[[nodiscard]] std::vector<uint64_t> PredictedCuts(const LevelOverview& overview, int32_t percent, int32_t minSilenceMs);

struct ThresholdAnswer {
    // The pair for the tracks asked for; else the closest count that the
    // judgement finds plausible (one track when no other is), with its pair.
    ThresholdChoice Choice;
    bool Found = false;  // Choice gives the tracks asked for
};

// What to ask for: the tracks, and either one amplitude to keep (only the
// duration is chosen) or the whole range. current is the pair in use: kept for
// one track where it gives one, and for a recording with no whole frame.
struct ThresholdRequest {
    int32_t Expected = 1;
    std::optional<int32_t> KeepPercent;
    ThresholdChoice Current{10, 3, 0};
};

// The answer read off the overview alone.
[[nodiscard]] ThresholdAnswer ChooseThresholds(const LevelOverview& overview, const ThresholdRequest& request,
                                               const GapRule& rule = {});

// The answer confirmed by analysing path with its pair: Choice.Tracks is what
// that analysis gave (Found only when it is the count asked for), and tracks
// and report (when given) receive its results. Nothing when the analysis failed
// (seam showed why) or job's abort was requested.
[[nodiscard]] std::optional<ThresholdAnswer> SuggestThresholds(const std::string& path, const LevelOverview& overview,
                                                               const ThresholdRequest& request, AnalysisJob& job,
                                                               WindowSeam& seam, TrackList* tracks = nullptr,
                                                               AnalysisReport* report = nullptr);

// The answer in words, as the command line and the overview give it:
// "6 tracks at amplitude 18 % and duration 3 s." or "No thresholds separate 6
// tracks; the closest is 5 tracks at 18 % and 3 s."
[[nodiscard]] std::string DescribeAnswer(const ThresholdAnswer& answer, const ThresholdRequest& request);

// "1 track", "6 tracks".
[[nodiscard]] std::string TracksText(int32_t tracks);

}  // namespace quillon::engine
