#pragma once
// What an analysis learns besides its tracks: the level overview, and, when
// it found a single track, why (the "nothing found" report).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/LevelOverview.h"
#include "analysis/SourceIdentity.h"
#include "analysis/StretchEdges.h"

namespace quillon::engine {

// One qualifying silence, in frames from the start of the data chunk.
struct SilenceSpan {
    uint64_t StartFrame;    // first silent frame
    uint64_t EndFrame;      // first loud frame after it
    uint64_t LengthFrames;  // EndFrame - StartFrame
};

struct NothingFound {
    int32_t AmplitudePercent = 0;  // the silence amplitude used
    int32_t MinSilenceMs = 0;      // the minimum silence used
    uint32_t LongestMs = 0;        // the longest quiet stretch at that amplitude; 0 when none
    uint32_t LongestStartMs = 0;   // where it starts
    bool WholeQuiet = false;       // every frame is silent at that amplitude: one silence to the end
    // The smallest amplitude (whole percent, up to 100) with a quiet stretch
    // longer than the minimum, exact to the frame, and its longest stretch there.
    std::optional<int32_t> FoundAtPercent;
    uint32_t FoundLongestMs = 0;
};

struct AnalysisReport {
    LevelOverview Overview;
    std::vector<SilenceSpan> Silences;     // the silences the tracks were cut at
    std::optional<NothingFound> Nothing;   // only for a single-track result
    std::optional<SourceIdentity> Source;  // the file the tracks were found in
};

// The report in words: "No quiet stretch longer than 3 s below 10 %. The
// longest is 1.2 s at 00:43:120; at 14 % there is one of 3.4 s." Times under
// a second are given in ms.
[[nodiscard]] std::string DescribeNothingFound(const NothingFound& report);

// Fills report.WholeQuiet, and FoundAtPercent and FoundLongestMs: the first
// amplitude above report.AmplitudePercent with a silence longer than the
// minimum. The overview names the candidates; edges gives their exact frames.
void FindAmplitudeWithSilence(const LevelOverview& overview, const StretchEdges& edges, NothingFound& report);

}  // namespace quillon::engine
