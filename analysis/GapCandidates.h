#pragma once
// The quiet stretches of a recording at one silence amplitude, read off the
// level overview, and the judgement whether the longest of them are the gaps
// between pieces. Real gaps sit at the recording's floor (digital silence,
// hiss, hum, the crackle of a worn record), all at about one level, well below
// the music around them, and between them lie pieces that hold music. Near
// the music's own level the music between its loudest peaks also falls apart
// into long "quiet" stretches, and a quiet passage or a fade can stand out as
// well as a gap does; the judgement refuses those.

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/LevelOverview.h"

namespace quillon::engine {

// A pair that can be stored as the settings, and the tracks it gives.
struct ThresholdChoice {
    int32_t AmplitudePercent = 0;  // 1..100
    int32_t DurationSeconds = 0;   // 1..100
    int32_t Tracks = 0;
};

// Stretches shorter than this are left out of every comparison: they never
// count at a duration of a whole second.
inline constexpr uint32_t kShortestComparedMs = 500;

// The figures of the judgement, tuned on record sides laid from real music
// (bench/find.sh). A stretch's floor is the level that a tenth of its columns
// stay under: the noise between pieces, which a click or a fade tail at one
// end does not move. The noise of one recording is the same in every gap, so
// the floors of real gaps agree to a few percent, while a quiet passage or
// the faint end of a note lies a little above them.
struct GapRule {
    // The (N-1)-th longest stretch is at least this many times as long as the
    // N-th, where an N-th shorter than kShortestComparedMs (or none) counts as
    // that long.
    double MinSeparation = 1.3;
    // The longest chosen stretch is at most this many times the shortest.
    double GapLengthSpread = 2.5;
    // Every chosen stretch's floor lies within this factor of the quietest
    // floor of any stretch; floors under FloorPercent (or two 8-bit steps)
    // count as that.
    double FloorSpread = 1.06;
    double FloorPercent = 0.1;
    // Around each cut (CutWindowMs either side, within its stretch) the median
    // level lies within this factor of the quietest stretch's median: a cut
    // in a fade tail or a quiet intro that joined a gap is refused.
    uint32_t CutWindowMs = 1000;
    double CutSpread = 1.05;
    // Every track holds at least MinMusicMs outside the stretches, and
    // each chosen stretch lasts at most GapShare of the music of either track
    // beside it.
    uint32_t MinMusicMs = 5000;
    double GapShare = 0.5;
    // At least MusicShare of the columns outside the chosen stretches reach
    // MusicOverAmplitude times the amplitude.
    double MusicOverAmplitude = 1.5;
    double MusicShare = 0.7;
};

// What the judgement reads of the overview besides its columns, gathered once
// for all amplitudes: how many columns lie below each level, and the loudest
// column of each block of columns, so that only a block that is quiet as a
// whole starts a search for a stretch (every stretch that is compared holds
// a whole block).
class LevelIndex {
public:
    explicit LevelIndex(const LevelOverview& overview);
    // Columns whose peak is below level.
    [[nodiscard]] uint64_t Below(uint32_t level) const;
    // Columns per block, and each block's loudest column.
    [[nodiscard]] uint64_t BlockColumns() const { return blockColumns_; }
    [[nodiscard]] const std::vector<uint16_t>& BlockPeaks() const { return blockPeaks_; }
    // The columns of the shortest stretch that is compared.
    [[nodiscard]] uint64_t ShortestColumns() const { return shortest_; }

private:
    std::vector<uint64_t> below_;  // below_[v]: columns with a peak under v
    uint64_t shortest_;
    uint64_t blockColumns_;
    std::vector<uint16_t> blockPeaks_;
};

class StretchesAt {
public:
    // The stretches of columns below the amplitude limit of percent that are
    // at least kShortestComparedMs long; overview and index must outlive this.
    StretchesAt(const LevelOverview& overview, const LevelIndex& index, int32_t percent);

    [[nodiscard]] int32_t Percent() const { return percent_; }
    // The pair at this amplitude that gives tracks tracks (2 or more), its
    // duration between the (N-1)-th and the N-th longest stretch, when the
    // judgement finds that the N-1 longest are gaps between pieces. The count
    // is exact: the scan's silence is at most one column longer at each end
    // than the overview's stretch, and the duration keeps that margin.
    [[nodiscard]] std::optional<ThresholdChoice> Judge(int32_t tracks, const GapRule& rule = {}) const;
    // The most tracks a duration of a second or more gives here.
    [[nodiscard]] int32_t MostTracks() const { return int32_t(byLength_.size()) + 1; }
    // The shortest whole duration (1..100 s) that no stretch exceeds: one track.
    [[nodiscard]] std::optional<int32_t> OneTrackSeconds() const;

private:
    struct Run {
        uint64_t First;    // column
        uint64_t Columns;  // how many
        bool Closed;       // loud columns follow (one still open at the end never cuts)
    };
    [[nodiscard]] uint64_t Frames(const Run& run) const { return run.Columns * overview_.ColumnFrames; }
    // Columns of the stretches before column c.
    [[nodiscard]] uint64_t QuietBefore(uint64_t c) const;
    [[nodiscard]] bool TracksHoldMusic(const std::vector<const Run*>& gaps, const GapRule& rule) const;
    [[nodiscard]] bool GapsAtOneLevel(const std::vector<const Run*>& gaps, const GapRule& rule) const;
    [[nodiscard]] bool CutsAtTheFloor(const std::vector<const Run*>& gaps, const GapRule& rule) const;
    // The level (percent) that quantile of the columns first..first + columns - 1 stay under.
    [[nodiscard]] double LevelPercent(uint64_t first, uint64_t columns, double quantile) const;
    // The lowest such level of any stretch as long as compared, chosen or not.
    [[nodiscard]] double QuietestLevel(double quantile) const;
    [[nodiscard]] double Floor(const GapRule& rule) const;
    [[nodiscard]] bool MusicAboveAmplitude(const std::vector<const Run*>& gaps, const GapRule& rule) const;

    const LevelOverview& overview_;
    const LevelIndex& index_;
    int32_t percent_;
    int limit_;
    std::vector<Run> runs_;                                         // in order
    std::vector<uint64_t> quietBefore_;                             // columns of the runs before runs_[i]
    std::vector<std::size_t> byLength_;                             // the closed runs, longest first
    mutable std::optional<double> quietestFloor_, quietestMedian_;  // found when first asked for
};

// The whole seconds d (1..100) for which a stretch of longer frames counts and
// one of shorter frames does not, with the overview's margin of two columns;
// the one nearest the middle of the two. Nothing when none lies between.
[[nodiscard]] std::optional<int32_t> DurationBetween(uint64_t shorter, uint64_t longer, const LevelOverview& overview);

}  // namespace quillon::engine
