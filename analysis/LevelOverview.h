#pragma once
// The level of a recording at a glance, gathered by the scan in the same pass:
// for each column of ColumnFrames frames (10 ms; twice, four times ... as long
// for recordings too long to keep at 10 ms, so memory stays flat), the largest
// amplitude among the samples the silence test looks at (the first sample of a
// mono frame, the first two of any other). A column is quiet at a silence
// amplitude exactly when every frame in it is silent, so the quiet stretches
// read off the overview are those of the scan, rounded to whole columns.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/FrameScan.h"
#include "analysis/WaveFormat.h"

namespace quillon::engine {

// At most this many columns (2 MiB of peaks): 10 ms columns up to about 2.9 hours.
inline constexpr uint64_t kMaxOverviewColumns = uint64_t(1) << 20;

struct LevelOverview {
    uint32_t SamplesPerSec = 0;
    uint32_t ColumnFrames = 0;  // frames per column; the last column may hold fewer
    uint64_t TotalFrames = 0;   // frames the scan read
    bool EightBit = false;      // 8-bit samples: full scale 128, else 32767
    std::vector<uint16_t> Peaks;

    [[nodiscard]] bool Empty() const { return Peaks.empty(); }
    // The length of one column in milliseconds (10 for 10 ms columns).
    [[nodiscard]] double ColumnMs() const;
    // A peak as a percentage of full scale (may exceed 100 by a hair for -32768).
    [[nodiscard]] double Percent(uint16_t peak) const;
    // The first frame of column i.
    [[nodiscard]] uint64_t ColumnStart(std::size_t i) const { return uint64_t(i) * ColumnFrames; }
};

// The frames per column for a recording: 10 ms of frames (at least one),
// doubled until totalFrames fit in kMaxOverviewColumns.
[[nodiscard]] uint32_t OverviewColumnFrames(uint32_t samplesPerSec, uint64_t totalFrames);

// Fills an overview from the frames of a scan. Frames may come in any order
// and in pieces of any size, each piece at its place in the data chunk; two
// builders of the same recording fed disjoint pieces combine with Merge.
class OverviewBuilder {
public:
    // totalFrames: the frames the data chunk declares (the columns made).
    OverviewBuilder(const WaveFormat& format, uint64_t totalFrames);

    // count whole frames, packed by the format's block align, starting at
    // frame first of the data chunk.
    void Feed(uint64_t first, const uint8_t* frames, std::size_t count);
    // Takes the larger peak of each column from other (same recording).
    void Merge(const OverviewBuilder& other);
    // The overview of the frames scanned (framesScanned of them; columns past
    // the end of a file cut short are dropped).
    [[nodiscard]] LevelOverview Finish(uint64_t framesScanned);

private:
    LevelOverview overview_;
    int stride_;
    int tested_;  // samples looked at per frame: 1 or 2
};

// A run of quiet columns, in frames.
struct QuietStretch {
    uint64_t StartFrame = 0;
    uint64_t Frames = 0;
};

// The runs of columns whose peak is below limit (an amplitude limit as
// AmplitudeLimit gives it), in order. A run that reaches the end of the
// recording is left out, as the scan leaves out a silence still open at the end.
[[nodiscard]] std::vector<QuietStretch> QuietStretches(const LevelOverview& overview, int limit);

}  // namespace quillon::engine
