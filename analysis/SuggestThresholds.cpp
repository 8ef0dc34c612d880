#include "analysis/SuggestThresholds.h"

#include <algorithm>
#include <cstdlib>

#include "analysis/SilenceDetect.h"
#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

constexpr int32_t kMaxPercent = 100;

// The amplitudes to try, quietest first.
std::vector<int32_t> Percents(const ThresholdRequest& request) {
    if (request.KeepPercent) return {*request.KeepPercent};
    std::vector<int32_t> all;
    for (int32_t p = 1; p <= kMaxPercent; ++p) all.push_back(p);
    return all;
}

// One track: the pair in use where it gives one, else the amplitude nearest
// it with the shortest duration that no stretch exceeds.
std::optional<ThresholdChoice> OneTrack(const LevelOverview& overview, const LevelIndex& index,
                                        const ThresholdRequest& request) {
    std::vector<int32_t> percents = Percents(request);
    const int32_t current = request.KeepPercent.value_or(request.Current.AmplitudePercent);
    std::stable_sort(percents.begin(), percents.end(),
                     [current](int32_t a, int32_t b) { return std::abs(a - current) < std::abs(b - current); });
    for (int32_t p : percents) {
        const std::optional<int32_t> seconds = StretchesAt(overview, index, p).OneTrackSeconds();
        if (!seconds) continue;
        const bool currentGivesOne = p == request.Current.AmplitudePercent &&
                                     request.Current.DurationSeconds >= *seconds;
        return ThresholdChoice{p, currentGivesOne ? request.Current.DurationSeconds : *seconds, 1};
    }
    return std::nullopt;
}

// The quietest amplitude whose stretches the judgement finds to be the gaps
// between expected tracks. When there is none: the plausible count nearest
// expected (fewer tracks first on a tie), each count at its quietest plausible
// amplitude, or one track when no other is (else fallback). One pass over the
// amplitudes serves both.
ThresholdAnswer Search(const LevelOverview& overview, const LevelIndex& index, const ThresholdRequest& request,
                       const GapRule& rule, const ThresholdChoice& fallback) {
    const int32_t expected = request.Expected;
    const auto distance = [expected](int32_t tracks) { return std::abs(tracks - expected) * 2 + (tracks > expected); };
    std::optional<ThresholdChoice> closest;
    for (int32_t p : Percents(request)) {
        const StretchesAt at(overview, index, p);
        if (auto choice = at.Judge(expected, rule)) return {*choice, true};
        for (int32_t tracks = 2; tracks <= at.MostTracks(); ++tracks) {
            if (closest && distance(tracks) >= distance(closest->Tracks)) {
                if (tracks > expected) break;
                continue;
            }
            if (tracks == expected) continue;
            if (auto choice = at.Judge(tracks, rule)) closest = choice;
        }
    }
    const std::optional<ThresholdChoice> one = OneTrack(overview, index, request);
    if (one && (!closest || distance(1) < distance(closest->Tracks))) closest = one;
    return {closest.value_or(fallback), false};
}

}  // namespace

std::vector<uint64_t> PredictedCuts(const LevelOverview& overview, int32_t percent, int32_t minSilenceMs) {
    std::vector<uint64_t> cuts;
    const uint32_t minFrames = MinimumSilenceFrames(overview.SamplesPerSec, minSilenceMs);
    for (const QuietStretch& s : QuietStretches(overview, AmplitudeLimit(overview.EightBit, percent))) {
        if (s.Frames > minFrames) cuts.push_back(s.StartFrame + s.Frames / 2);
    }
    return cuts;
}

ThresholdAnswer ChooseThresholds(const LevelOverview& overview, const ThresholdRequest& request, const GapRule& rule) {
    ThresholdChoice current = request.Current;
    current.AmplitudePercent = request.KeepPercent.value_or(current.AmplitudePercent);
    current.Tracks = 1;
    if (overview.Empty()) return {current, request.Expected == 1};
    const LevelIndex index(overview);
    if (request.Expected <= 1) {
        const std::optional<ThresholdChoice> one = OneTrack(overview, index, request);
        return one ? ThresholdAnswer{*one, true} : ThresholdAnswer{current, false};
    }
    return Search(overview, index, request, rule, current);
}

std::optional<ThresholdAnswer> SuggestThresholds(const std::string& path, const LevelOverview& overview,
                                                 const ThresholdRequest& request, AnalysisJob& job, WindowSeam& seam,
                                                 TrackList* tracks, AnalysisReport* report) {
    ThresholdAnswer answer = ChooseThresholds(overview, request);
    TrackList found;
    AnalysisReport learnt;
    const ScanOutcome outcome = AnalyzeWaveFile(path, answer.Choice.AmplitudePercent,
                                                answer.Choice.DurationSeconds * 1000, job, found, seam, &learnt);
    if (outcome == ScanOutcome::Failed || outcome == ScanOutcome::Aborted || job.AbortRequested.load())
        return std::nullopt;
    answer.Found = answer.Found && int32_t(found.size()) == request.Expected;
    answer.Choice.Tracks = int32_t(found.size());
    if (tracks != nullptr) *tracks = std::move(found);
    if (report != nullptr) *report = std::move(learnt);
    return answer;
}

std::string TracksText(int32_t tracks) { return tracks == 1 ? "1 track" : std::to_string(tracks) + " tracks"; }

std::string DescribeAnswer(const ThresholdAnswer& answer, const ThresholdRequest& request) {
    const ThresholdChoice& c = answer.Choice;
    const std::string percent = std::to_string(c.AmplitudePercent), seconds = std::to_string(c.DurationSeconds);
    if (answer.Found) return FormatText(text::kThresholdsChosen, {TracksText(c.Tracks), percent, seconds});
    if (request.KeepPercent)
        return FormatText(text::kThresholdsNoneAt, {std::to_string(*request.KeepPercent), TracksText(request.Expected),
                                                    TracksText(c.Tracks), percent, seconds});
    return FormatText(text::kThresholdsNone, {TracksText(request.Expected), TracksText(c.Tracks), percent, seconds});
}

}  // namespace quillon::engine
