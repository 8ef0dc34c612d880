#include "analysis/GapCandidates.h"

#include <algorithm>
#include <cmath>

#include "analysis/FrameScan.h"

namespace quillon::engine {
namespace {

constexpr int32_t kMaxSeconds = 100;

uint64_t MsToFrames(uint32_t ms, const LevelOverview& overview) { return uint64_t(ms) * overview.SamplesPerSec / 1000; }

}  // namespace

LevelIndex::LevelIndex(const LevelOverview& overview)
    : below_(size_t(UINT16_MAX) + 2, 0),
      shortest_(std::max<uint64_t>(
          1, MsToFrames(kShortestComparedMs, overview) / std::max<uint32_t>(1, overview.ColumnFrames))),
      // A stretch of 2B - 1 columns holds a whole block of B.
      blockColumns_((shortest_ + 1) / 2) {
    for (uint16_t peak : overview.Peaks) ++below_[std::size_t(peak) + 1];
    for (std::size_t v = 1; v < below_.size(); ++v) below_[v] += below_[v - 1];
    for (std::size_t c = 0; c < overview.Peaks.size(); c += blockColumns_) {
        const auto first = overview.Peaks.begin() + std::ptrdiff_t(c);
        const auto last = overview.Peaks.begin() + std::ptrdiff_t(std::min(c + blockColumns_, overview.Peaks.size()));
        blockPeaks_.push_back(*std::max_element(first, last));
    }
}

uint64_t LevelIndex::Below(uint32_t level) const { return below_[std::min<std::size_t>(level, below_.size() - 1)]; }

std::optional<int32_t> DurationBetween(uint64_t shorter, uint64_t longer, const LevelOverview& overview) {
    const double rate = overview.SamplesPerSec;
    const double low = double(shorter + 2 * uint64_t(overview.ColumnFrames));  // the scan's may be two columns longer
    const int32_t least = std::max<int32_t>(1, int32_t(std::ceil(low / rate)));
    const int32_t most = std::min<int32_t>(kMaxSeconds, int32_t(std::ceil(double(longer) / rate)) - 1);
    if (least > most) return std::nullopt;
    return std::clamp(int32_t(std::lround((low + double(longer)) / 2 / rate)), least, most);
}

StretchesAt::StretchesAt(const LevelOverview& overview, const LevelIndex& index, int32_t percent)
    : overview_(overview), index_(index), percent_(percent), limit_(AmplitudeLimit(overview.EightBit, percent)) {
    const std::vector<uint16_t>& blocks = index.BlockPeaks();
    const uint64_t n = overview.Peaks.size(), size = index.BlockColumns();
    uint64_t quiet = 0;
    for (uint64_t b = 0; b < blocks.size(); ++b) {
        if (blocks[b] >= limit_) continue;
        uint64_t first = b * size;
        while (first > 0 && overview.Peaks[first - 1] < limit_) --first;  // into the loud block before
        while (b < blocks.size() && blocks[b] < limit_) ++b;
        uint64_t end = std::min(b * size, n);
        while (end < n && overview.Peaks[end] < limit_) ++end;  // into the loud block after
        if (end - first < index.ShortestColumns()) continue;
        runs_.push_back({first, end - first, end < n});
        quietBefore_.push_back(quiet);
        quiet += end - first;
    }
    for (std::size_t i = 0; i < runs_.size(); ++i)
        if (runs_[i].Closed) byLength_.push_back(i);
    std::stable_sort(byLength_.begin(), byLength_.end(),
                     [this](std::size_t a, std::size_t b) { return runs_[a].Columns > runs_[b].Columns; });
}

uint64_t StretchesAt::QuietBefore(uint64_t c) const {
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), c,
                                        [](uint64_t v, const Run& r) { return v < r.First; });
    if (after == runs_.begin()) return 0;
    const std::size_t i = std::size_t(after - runs_.begin()) - 1;
    return quietBefore_[i] + std::min(runs_[i].Columns, c - runs_[i].First);
}

std::optional<int32_t> StretchesAt::OneTrackSeconds() const {
    const uint64_t longest = byLength_.empty() ? 0 : Frames(runs_[byLength_.front()]);
    const uint64_t reach = longest + 2 * uint64_t(overview_.ColumnFrames);
    const auto seconds = std::max<uint64_t>(1, (reach + overview_.SamplesPerSec - 1) / overview_.SamplesPerSec);
    if (seconds > uint64_t(kMaxSeconds)) return std::nullopt;
    return int32_t(seconds);
}

std::optional<ThresholdChoice> StretchesAt::Judge(int32_t tracks, const GapRule& rule) const {
    const std::size_t kept = std::size_t(std::max(tracks, 1) - 1);
    if (kept == 0 || byLength_.size() < kept) return std::nullopt;
    const uint64_t longer = Frames(runs_[byLength_[kept - 1]]);
    const uint64_t shorter = byLength_.size() > kept ? Frames(runs_[byLength_[kept]]) : 0;
    const std::optional<int32_t> seconds = DurationBetween(shorter, longer, overview_);
    if (!seconds) return std::nullopt;
    const double compared = double(std::max(shorter, MsToFrames(kShortestComparedMs, overview_)));
    if (double(longer) < rule.MinSeparation * compared) return std::nullopt;
    std::vector<const Run*> gaps;
    for (std::size_t i = 0; i < kept; ++i) gaps.push_back(&runs_[byLength_[i]]);
    std::sort(gaps.begin(), gaps.end(), [](const Run* a, const Run* b) { return a->First < b->First; });
    if (!TracksHoldMusic(gaps, rule) || !MusicAboveAmplitude(gaps, rule) || !GapsAtOneLevel(gaps, rule) ||
        !CutsAtTheFloor(gaps, rule))
        return std::nullopt;
    return ThresholdChoice{percent_, *seconds, tracks};
}

bool StretchesAt::TracksHoldMusic(const std::vector<const Run*>& gaps, const GapRule& rule) const {
    const double columnMs = overview_.ColumnMs();
    std::vector<double> musicMs;
    uint64_t from = 0;
    for (std::size_t i = 0; i <= gaps.size(); ++i) {
        const uint64_t to = i < gaps.size() ? gaps[i]->First + gaps[i]->Columns / 2 : overview_.Peaks.size();
        musicMs.push_back(double((to - from) - (QuietBefore(to) - QuietBefore(from))) * columnMs);
        if (musicMs.back() < rule.MinMusicMs) return false;
        from = to;
    }
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        if (double(gaps[i]->Columns) * columnMs > rule.GapShare * std::min(musicMs[i], musicMs[i + 1])) return false;
    }
    return true;
}

double StretchesAt::LevelPercent(uint64_t first, uint64_t columns, double quantile) const {
    const auto begin = overview_.Peaks.begin() + std::ptrdiff_t(first);
    std::vector<uint16_t> peaks(begin, begin + std::ptrdiff_t(columns));
    const auto at = peaks.begin() + std::ptrdiff_t(double(peaks.size() - 1) * quantile);
    std::nth_element(peaks.begin(), at, peaks.end());
    return overview_.Percent(*at);
}

double StretchesAt::QuietestLevel(double quantile) const {
    std::optional<double>& known = quantile < 0.5 ? quietestFloor_ : quietestMedian_;
    if (known) return *known;
    double quietest = 100;
    for (std::size_t i : byLength_) {
        quietest = std::min(quietest, LevelPercent(runs_[i].First, runs_[i].Columns, quantile));
    }
    known = quietest;
    return quietest;
}

double StretchesAt::Floor(const GapRule& rule) const {
    // Two steps of 8-bit samples are as fine as a level can be told there.
    return std::max(rule.FloorPercent, 2 * overview_.Percent(1));
}

bool StretchesAt::GapsAtOneLevel(const std::vector<const Run*>& gaps, const GapRule& rule) const {
    constexpr double kFloorQuantile = 0.1;
    uint64_t shortest = UINT64_MAX, longest = 0;
    double loudest = 0;
    for (const Run* gap : gaps) {
        shortest = std::min(shortest, gap->Columns);
        longest = std::max(longest, gap->Columns);
        loudest = std::max(loudest, LevelPercent(gap->First, gap->Columns, kFloorQuantile));
    }
    if (double(longest) > rule.GapLengthSpread * double(shortest)) return false;
    const double floor = Floor(rule);
    return std::max(loudest, floor) <= rule.FloorSpread * std::max(QuietestLevel(kFloorQuantile), floor);
}

bool StretchesAt::CutsAtTheFloor(const std::vector<const Run*>& gaps, const GapRule& rule) const {
    constexpr double kMedian = 0.5;
    const uint64_t half = std::max<uint64_t>(1, MsToFrames(rule.CutWindowMs, overview_) / overview_.ColumnFrames);
    const double floor = Floor(rule);
    const double allowed = rule.CutSpread * std::max(QuietestLevel(kMedian), floor);
    for (const Run* gap : gaps) {
        const uint64_t middle = gap->First + gap->Columns / 2;
        const uint64_t from = std::max(gap->First, middle - std::min(middle, half));
        const uint64_t to = std::min(gap->First + gap->Columns, middle + half);
        if (std::max(LevelPercent(from, to - from, kMedian), floor) > allowed) return false;
    }
    return true;
}

bool StretchesAt::MusicAboveAmplitude(const std::vector<const Run*>& gaps, const GapRule& rule) const {
    uint64_t inGaps = 0;
    for (const Run* gap : gaps) inGaps += gap->Columns;
    const uint64_t music = overview_.Peaks.size() - inGaps;
    // Every column of a chosen stretch lies below the amplitude, so below any louder level too.
    const auto level = uint32_t(std::ceil(rule.MusicOverAmplitude * limit_));
    const uint64_t quietMusic = index_.Below(level) - inGaps;
    return double(quietMusic) <= (1 - rule.MusicShare) * double(music);
}

}  // namespace quillon::engine
