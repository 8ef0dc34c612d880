#include "editing/SheetCuts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/FrameScan.h"
#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

// "1 track", "3 tracks".
std::string Tracks(std::size_t n) {
    return n == 1 ? std::string(text::kPlanOneTrack) : FormatText(text::kPlanTracks, {std::to_string(n)});
}

// Halfway from a to b (a < b), rounded down: the last millisecond the boundary near a may take.
uint32_t Midpoint(uint32_t a, uint32_t b) { return a + (b - a) / 2; }

SheetCuts Refused(SheetCutFault fault, std::string error) { return {fault, std::move(error), {}}; }

// A quiet stretch in milliseconds.
struct Quiet {
    double startMs, endMs;
};

std::vector<Quiet> QuietInMs(const LevelOverview& overview, int32_t amplitudePercent) {
    std::vector<Quiet> quiet;
    if (overview.SamplesPerSec == 0) return quiet;
    const double msPerFrame = 1000.0 / overview.SamplesPerSec;
    for (const QuietStretch& s : QuietStretches(overview, AmplitudeLimit(overview.EightBit, amplitudePercent))) {
        quiet.push_back({double(s.StartFrame) * msPerFrame, double(s.StartFrame + s.Frames) * msPerFrame});
    }
    return quiet;
}

// The middle of the longest part of a quiet stretch inside [low, high] (the
// one nearest sheetMs among equals), or sheetMs when none reaches in.
uint32_t CutNear(uint32_t sheetMs, uint32_t low, uint32_t high, const std::vector<Quiet>& quiet) {
    double bestLength = 0, bestMiddle = sheetMs;
    for (const Quiet& q : quiet) {
        const double start = std::max(q.startMs, double(low)), end = std::min(q.endMs, double(high));
        const double length = end - start, middle = (start + end) / 2;
        if (length <= 0) continue;
        const bool nearer = std::abs(middle - sheetMs) < std::abs(bestMiddle - sheetMs);
        if (length > bestLength || (length == bestLength && nearer)) {
            bestLength = length;
            bestMiddle = middle;
        }
    }
    return uint32_t(std::clamp(int64_t(std::llround(bestMiddle)), int64_t(low), int64_t(high)));
}

}  // namespace

SheetCuts CutAtSheetTimes(const TrackList& tracks, const CueSheet& sheet, const LevelOverview& overview,
                          int32_t amplitudePercent) {
    const std::size_t rows = tracks.size();
    if (rows == 0 || sheet.Tracks.size() != rows) {
        return Refused(SheetCutFault::CountsDiffer,
                       FormatText(text::kSheetCutCounts, {Tracks(sheet.Tracks.size()), Tracks(rows)}));
    }
    // The sheet's starts of rows 1.., each after the one before and inside the list's span.
    std::vector<uint32_t> starts(rows);
    starts[0] = TrackMs(tracks.front().Start);
    const uint32_t end = TrackMs(tracks.back().Stop);
    for (std::size_t i = 1; i < rows; ++i) {
        const std::string number = std::to_string(i + 1);
        if (!sheet.Tracks[i].StartMs) {
            return Refused(SheetCutFault::NoStart, FormatText(text::kSheetCutNoStart, {number}));
        }
        starts[i] = *sheet.Tracks[i].StartMs;
        if (starts[i] <= starts[i - 1] || starts[i] >= end) {
            return Refused(SheetCutFault::BadTime, FormatText(text::kSheetCutBadTime, {number, FormatTime(starts[i])}));
        }
    }
    const std::vector<Quiet> quiet = QuietInMs(overview, amplitudePercent);
    SheetCuts cuts;
    cuts.Tracks = tracks;
    for (std::size_t i = 1; i < rows; ++i) {
        // Each boundary takes the quiet nearer its own time than the times
        // around it, so the boundaries stay in order and no track is left empty.
        const uint32_t before = starts[i - 1], after = i + 1 < rows ? starts[i + 1] : end;
        const uint32_t low = std::max(starts[i] - std::min(starts[i], kSheetCutReachMs),
                                      Midpoint(before, starts[i]) + 1);
        const uint32_t high = std::min(starts[i] + kSheetCutReachMs, Midpoint(starts[i], after));
        const uint32_t cut = CutNear(starts[i], low, high, quiet);
        cuts.Tracks[i - 1].Stop = cuts.Tracks[i].Start = FormatTime(cut);
    }
    for (std::size_t i = 0; i < rows; ++i) {
        TRACK_INFO_STRUCT& row = cuts.Tracks[i];
        if (row.Start != tracks[i].Start || row.Stop != tracks[i].Stop) {
            row.WaveSaved = 0;
            row.Outdated = kAllOutdated;  // its files, if any, hold the old range
        }
        row.Duration = FormatTime(TrackMs(row.Stop) - TrackMs(row.Start));
    }
    return cuts;
}

}  // namespace quillon::engine
