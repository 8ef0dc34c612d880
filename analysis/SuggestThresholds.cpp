#include "analysis/SuggestThresholds.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "analysis/SilenceDetect.h"

namespace quillon::engine {
namespace {

constexpr int32_t kMaxPercent = 100;
constexpr int32_t kMaxSeconds = 100;
constexpr double kPerfect = std::numeric_limits<double>::infinity();
// Separations within this factor of the best count as a tie.
constexpr double kNearTie = 1.1;

// The quiet stretches' lengths at percent, longest first.
std::vector<uint64_t> LengthsAt(const LevelOverview& overview, int32_t percent) {
    std::vector<uint64_t> lengths;
    for (const QuietStretch& s : QuietStretches(overview, AmplitudeLimit(overview.EightBit, percent))) {
        lengths.push_back(s.Frames);
    }
    std::sort(lengths.begin(), lengths.end(), std::greater<>());
    return lengths;
}

// The tracks the overview says a duration gives: stretches surely longer than it, plus one.
int32_t TracksAt(const std::vector<uint64_t>& lengths, uint64_t minFrames) {
    const auto longer = std::upper_bound(lengths.begin(), lengths.end(), minFrames, std::greater<>());
    return int32_t(longer - lengths.begin()) + 1;
}

struct Candidate {
    ThresholdChoice choice;
    double separation = 0;
};

// The whole seconds d (1..100) with shorter + margin <= d * rate < longer, the
// one nearest the middle of the two; none when no whole second lies between.
std::optional<int32_t> DurationBetween(uint64_t shorter, uint64_t longer, const LevelOverview& overview) {
    const double rate = overview.SamplesPerSec;
    const double low = double(shorter + 2 * uint64_t(overview.ColumnFrames));  // the scan's may be two columns longer
    const int32_t least = std::max<int32_t>(1, int32_t(std::ceil(low / rate)));
    const int32_t most = std::min<int32_t>(kMaxSeconds, int32_t(std::ceil(double(longer) / rate)) - 1);
    if (least > most) return std::nullopt;
    return std::clamp(int32_t(std::lround((low + double(longer)) / 2 / rate)), least, most);
}

std::optional<Candidate> CandidateAt(const LevelOverview& overview, int32_t percent, int32_t expected) {
    const std::vector<uint64_t> lengths = LengthsAt(overview, percent);
    const std::size_t kept = std::size_t(expected - 1);  // the stretches that must count
    if (lengths.size() < kept) return std::nullopt;
    const uint64_t nth = lengths.size() > kept ? lengths[kept] : 0;
    if (kept == 0) {
        // One track: the shortest duration that no stretch reaches.
        const uint64_t reach = nth + 2 * uint64_t(overview.ColumnFrames);
        const auto seconds = std::max<uint64_t>(1, (reach + overview.SamplesPerSec - 1) / overview.SamplesPerSec);
        if (seconds > uint64_t(kMaxSeconds)) return std::nullopt;
        return Candidate{{percent, int32_t(seconds), 1}, kPerfect};
    }
    const std::optional<int32_t> seconds = DurationBetween(nth, lengths[kept - 1], overview);
    if (!seconds) return std::nullopt;
    const double separation = nth == 0 ? kPerfect : double(lengths[kept - 1]) / double(nth);
    return Candidate{{percent, *seconds, expected}, separation};
}

// When no pair gives expected tracks: the pair whose count comes closest.
ThresholdChoice Closest(const LevelOverview& overview, int32_t expected, int32_t currentPercent) {
    ThresholdChoice best{currentPercent, 1, 0};
    int32_t bestMiss = std::numeric_limits<int32_t>::max();
    for (int32_t percent = 1; percent <= kMaxPercent; ++percent) {
        const std::vector<uint64_t> lengths = LengthsAt(overview, percent);
        for (int32_t seconds = 1; seconds <= kMaxSeconds; ++seconds) {
            const int32_t tracks = TracksAt(lengths, uint64_t(seconds) * overview.SamplesPerSec);
            const int32_t miss = std::abs(tracks - expected);
            const bool nearer = std::abs(percent - currentPercent) < std::abs(best.AmplitudePercent - currentPercent);
            if (miss < bestMiss || (miss == bestMiss && nearer)) {
                best = {percent, seconds, tracks};
                bestMiss = miss;
            }
        }
    }
    return best;
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

std::vector<ThresholdChoice> RankThresholds(const LevelOverview& overview, int32_t expected, int32_t currentPercent) {
    if (overview.Empty() || expected < 1) return {};
    std::vector<Candidate> candidates;
    for (int32_t percent = 1; percent <= kMaxPercent; ++percent) {
        if (auto c = CandidateAt(overview, percent, expected)) candidates.push_back(*c);
    }
    if (candidates.empty()) return {Closest(overview, expected, currentPercent)};
    const double best = std::max_element(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
                            return a.separation < b.separation;
                        })->separation;
    const auto tied = [best](const Candidate& c) { return c.separation * kNearTie >= best; };
    const auto distance = [currentPercent](const Candidate& c) {
        return std::abs(c.choice.AmplitudePercent - currentPercent);
    };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
        if (tied(a) != tied(b)) return tied(a);
        if (tied(a)) return distance(a) < distance(b);
        return a.separation > b.separation;
    });
    std::vector<ThresholdChoice> ranked;
    for (const Candidate& c : candidates) ranked.push_back(c.choice);
    return ranked;
}

std::optional<ThresholdChoice> SuggestThresholds(const std::string& path, const LevelOverview& overview,
                                                 int32_t expected, int32_t currentPercent, AnalysisJob& job,
                                                 WindowSeam& seam, TrackList* tracks, AnalysisReport* report) {
    const std::vector<ThresholdChoice> ranked = RankThresholds(overview, expected, currentPercent);
    std::optional<ThresholdChoice> nearest;
    for (std::size_t i = 0; i < ranked.size() && i < 3; ++i) {
        TrackList found;
        AnalysisReport learnt;
        const ScanOutcome outcome = AnalyzeWaveFile(path, ranked[i].AmplitudePercent, ranked[i].DurationSeconds * 1000,
                                                    job, found, seam, &learnt);
        if (outcome == ScanOutcome::Failed || outcome == ScanOutcome::Aborted) return std::nullopt;
        ThresholdChoice confirmed = ranked[i];
        confirmed.Tracks = int32_t(found.size());
        if (!nearest || std::abs(confirmed.Tracks - expected) < std::abs(nearest->Tracks - expected)) {
            nearest = confirmed;
            if (tracks != nullptr) *tracks = std::move(found);
            if (report != nullptr) *report = std::move(learnt);
        }
        if (confirmed.Tracks == expected || ranked[i].Tracks != expected) break;
    }
    return nearest;
}

}  // namespace quillon::engine
