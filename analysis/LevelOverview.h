#pragma once
// The level of a recording at a glance, gathered by the scan in the same pass:
// for each column of ColumnFrames frames (10 ms; twice, four times ... as long
// for recordings too long to keep at 10 ms, so memory stays flat), the largest
// amplitude among the samples the silence test looks at (the first sample of a
// mono frame, the first two of any other). A column is quiet at a silence
// amplitude exactly when every frame in it is silent, so the quiet stretches
// read off the overview are those of the scan, rounded to whole columns.
// Peaks are on the 16-bit scale at every depth: wide layouts' through PeakMap,
// which keeps that true at every whole percentage.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/FrameScan.h"
#include "analysis/PeakMap.h"
#include "analysis/WaveFormat.h"
#include "analysis/WideKernels.h"
#include "platform/PrefaultedMemory.h"

namespace quillon::engine {

// At most this many columns (2 MiB of peaks): 10 ms columns up to about 2.9 hours.
inline constexpr uint64_t kMaxOverviewColumns = uint64_t(1) << 20;

struct LevelOverview {
    uint32_t SamplesPerSec = 0;
    uint32_t ColumnFrames = 0;  // frames per column; the last column may hold fewer
    uint64_t TotalFrames = 0;   // frames the scan read
    bool EightBit = false;      // 8-bit samples: full scale 128, else 32767 (wide layouts too)
    // Filled by the scan's threads as soon as it is made, so its pages come in place.
    std::vector<uint16_t, platform::PrefaultedAllocator<uint16_t>> Peaks;

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

// The largest tested amplitude of frames, column by column, for any array of
// columns: packed layouts with vector instructions up to the level given
// (64-bit floats and padded ones frame by frame); a wide layout's largest
// amplitude key of each piece of a column, mapped by PeakMap.
class PeakScanner {
public:
    PeakScanner(const WaveFormat& format, uint32_t columnFrames, VectorLevel level = VectorLevel::Best);

    // count whole frames, packed by the format's block align, starting at frame
    // first of the data chunk: for every column c they touch that lies in
    // [firstColumn, firstColumn + columns), peaks[c - firstColumn] becomes the
    // larger of itself and the largest tested amplitude among them.
    void Feed(uint64_t first, const uint8_t* frames, std::size_t count, uint16_t* peaks, uint64_t firstColumn,
              std::size_t columns) const;
    [[nodiscard]] uint32_t ColumnFrames() const { return columnFrames_; }

private:
    using SegmentPeak = uint16_t (*)(const uint8_t* frames, std::size_t count, int stride, bool stereo);
    [[nodiscard]] uint16_t Peak(const uint8_t* frames, std::size_t count) const;

    uint32_t columnFrames_;
    int stride_;
    bool stereo_;
    int shift_;
    SegmentPeak segment_;                // 8 and 16 bits
    WideKeyPeak wideSegment_ = nullptr;  // the wide kinds, through map_
    std::optional<PeakMap> map_;
};

// Fills an overview from the frames of a scan. Frames may come in any order
// and in pieces of any size, each piece at its place in the data chunk.
class OverviewBuilder {
public:
    // totalFrames: the frames the data chunk declares (the columns made).
    OverviewBuilder(const WaveFormat& format, uint64_t totalFrames, VectorLevel level = VectorLevel::Best);

    // count whole frames, packed by the format's block align, starting at
    // frame first of the data chunk.
    void Feed(uint64_t first, const uint8_t* frames, std::size_t count);
    // Takes the larger peak of columns firstColumn .. firstColumn + count - 1
    // from peaks (those past the last column are left out).
    void MergeColumns(uint64_t firstColumn, const uint16_t* peaks, std::size_t count);
    [[nodiscard]] const PeakScanner& Scanner() const { return scanner_; }
    // The columns' peaks so far, for threads that fill disjoint columns directly.
    [[nodiscard]] uint16_t* Columns() { return overview_.Peaks.data(); }
    [[nodiscard]] std::size_t ColumnCount() const { return overview_.Peaks.size(); }
    // The overview of the frames scanned (framesScanned of them; columns past
    // the end of a file cut short are dropped).
    [[nodiscard]] LevelOverview Finish(uint64_t framesScanned);

private:
    LevelOverview overview_;
    PeakScanner scanner_;
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
