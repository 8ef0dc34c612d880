#include "analysis/AnalysisReport.h"

#include <cstdio>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

// Seconds with one decimal, the decimal left out when it is 0: "3", "1.2".
std::string Seconds(uint32_t ms) {
    char text[32];
    const uint32_t tenths = (ms + 50) / 100;
    if (tenths % 10 == 0) std::snprintf(text, sizeof text, "%u", tenths / 10);
    else std::snprintf(text, sizeof text, "%u.%u", tenths / 10, tenths % 10);
    return text;
}

uint32_t FramesToMs(uint64_t frames, uint32_t samplesPerSec) {
    return samplesPerSec == 0 ? 0 : uint32_t(frames * 1000 / samplesPerSec);
}

}  // namespace

std::string DescribeNothingFound(const NothingFound& report) {
    std::string text = FormatText(text::kNothingFound,
                                  {Seconds(uint32_t(report.MinSilenceMs)), std::to_string(report.AmplitudePercent)});
    text += report.LongestMs == 0
                ? std::string(text::kNothingQuiet)
                : FormatText(text::kNothingLongest, {Seconds(report.LongestMs), FormatTime(report.LongestStartMs)});
    text += report.FoundAtPercent ? FormatText(text::kNothingFoundAt,
                                               {std::to_string(*report.FoundAtPercent), Seconds(report.FoundLongestMs)})
                                  : std::string(text::kNothingAnywhere);
    return text;
}

QuietStretch LongestQuietStretch(const LevelOverview& overview, int limit) {
    QuietStretch longest;
    for (const QuietStretch& s : QuietStretches(overview, limit)) {
        if (s.Frames > longest.Frames) longest = s;
    }
    return longest;
}

void FindAmplitudeWithSilence(const LevelOverview& overview, NothingFound& report) {
    const double minFrames = double(overview.SamplesPerSec) * report.MinSilenceMs / 1000;
    for (int32_t percent = std::max(1, report.AmplitudePercent + 1); percent <= 100; ++percent) {
        const QuietStretch longest = LongestQuietStretch(overview, AmplitudeLimit(overview.EightBit, percent));
        if (double(longest.Frames) > minFrames) {
            report.FoundAtPercent = percent;
            report.FoundLongestMs = FramesToMs(longest.Frames, overview.SamplesPerSec);
            return;
        }
    }
}

}  // namespace quillon::engine
