#include "analysis/AnalysisReport.h"

#include <algorithm>
#include <cstdio>

#include "analysis/FrameScan.h"
#include "analysis/SilenceDetect.h"
#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

// A length: milliseconds under a second ("7 ms"), else seconds with one
// decimal, the decimal left out when it is 0 ("3 s", "1.2 s").
std::string Length(uint32_t ms) {
    char text[32];
    const uint32_t tenths = (ms + 50) / 100;
    if (ms < 1000) std::snprintf(text, sizeof text, "%u ms", ms);
    else if (tenths % 10 == 0) std::snprintf(text, sizeof text, "%u s", tenths / 10);
    else std::snprintf(text, sizeof text, "%u.%u s", tenths / 10, tenths % 10);
    return text;
}

uint32_t FramesToMs(uint64_t frames, uint32_t samplesPerSec) {
    return samplesPerSec == 0 ? 0 : uint32_t(frames * 1000 / samplesPerSec);
}

}  // namespace

std::string DescribeNothingFound(const NothingFound& report) {
    const std::string percent = std::to_string(report.AmplitudePercent);
    std::string text = FormatText(text::kNothingFound, {Length(uint32_t(std::max(report.MinSilenceMs, 0))), percent});
    if (report.WholeQuiet) return text + FormatText(text::kNothingWholeQuiet, {percent});
    text += report.LongestMs == 0
                ? std::string(text::kNothingQuiet)
                : FormatText(text::kNothingLongest, {Length(report.LongestMs), FormatTime(report.LongestStartMs)});
    text += report.FoundAtPercent ? FormatText(text::kNothingFoundAt,
                                               {std::to_string(*report.FoundAtPercent), Length(report.FoundLongestMs)})
                                  : std::string(text::kNothingAnywhere);
    return text;
}

void FindAmplitudeWithSilence(const LevelOverview& overview, const StretchEdges& edges, NothingFound& report) {
    const int ownLimit = AmplitudeLimit(overview.EightBit, report.AmplitudePercent);
    report.WholeQuiet = !overview.Empty() && std::all_of(overview.Peaks.begin(), overview.Peaks.end(),
                                                         [ownLimit](uint16_t peak) { return peak < ownLimit; });
    if (report.WholeQuiet) return;
    const uint64_t minFrames = MinimumSilenceFrames(overview.SamplesPerSec, report.MinSilenceMs);
    const uint64_t margin = 2 * uint64_t(overview.ColumnFrames);  // the scan's may be a column longer at each end
    for (int32_t percent = std::max(1, report.AmplitudePercent + 1); percent <= 100; ++percent) {
        uint64_t longest = 0;
        for (const QuietStretch& s : QuietStretches(overview, AmplitudeLimit(overview.EightBit, percent))) {
            if (s.Frames + margin > minFrames) longest = std::max(longest, edges.Exact(s, percent).Frames);
        }
        if (longest > minFrames) {
            report.FoundAtPercent = percent;
            report.FoundLongestMs = FramesToMs(longest, overview.SamplesPerSec);
            return;
        }
    }
}

}  // namespace quillon::engine
