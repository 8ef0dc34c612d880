#pragma once
// The block-wise form of the per-frame silence test: whole runs of frames are
// judged into a bit mask (bit i of word i / 64 set when frame i is silent), and
// the runs of silent frames are read off the mask. The answer for every frame
// is IsSilentFrame's.

#include <cstddef>
#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

// The vector instructions a scan may use. Best is the widest this processor
// has, chosen at run time (AVX2 where present, SSE2 otherwise); the others
// hold a scan to less, as the tests' plain reference does with Portable.
enum class VectorLevel { Portable, Sse2, Avx2, Best };

// level with Best resolved, and lowered to what this processor has.
[[nodiscard]] VectorLevel UsableVectorLevel(VectorLevel level);

// Where a pass that judges frames also takes their level puts it: for each
// column of ColumnFrames frames that the frames touch, the largest tested
// amplitude among them, combined (the larger wins) into Columns[column], or
// into *Head for the column HeadColumn.
struct ColumnPeaks {
    uint64_t ColumnFrames = 1;
    uint16_t* Columns = nullptr;
    uint64_t HeadColumn = UINT64_MAX;  // none
    uint16_t* Head = nullptr;
};

class FrameClassifier {
public:
    // format must have passed the reader (block align holds the tested samples).
    // Packed 8- and 16-bit layouts are judged with vector instructions up to
    // level; padded ones frame by frame.
    FrameClassifier(const WaveFormat& format, int32_t amplitudePercent, VectorLevel level = VectorLevel::Best);

    // Sets bit i of mask (count bits, (count + 63) / 64 words; unused bits of
    // the last word cleared) when frame i of frames is silent.
    void Classify(const uint8_t* frames, std::size_t count, uint64_t* mask) const;
    // Classify, and in the same pass, where the layout and level allow it
    // (packed 16-bit frames, AVX2, columns of at least 64 frames), the peaks
    // of the frames into peaks, frames[0] being frame first of the data chunk.
    // Returns how many frames from the start had their peaks taken (whole
    // 64-frame words; 0 when there is no such pass): the rest's are the caller's.
    [[nodiscard]] std::size_t ClassifyWithPeaks(const uint8_t* frames, std::size_t count, uint64_t* mask,
                                                uint64_t first, const ColumnPeaks& peaks) const;

    // A sample of amplitude a is silent exactly when a < Limit().
    [[nodiscard]] int Limit() const { return limit_; }

private:
    using VectorKernel = std::size_t (*)(const uint8_t* frames, std::size_t count, uint64_t* mask, int limit);
    using FusedKernel = std::size_t (*)(const uint8_t* frames, std::size_t count, uint64_t* mask, int limit,
                                        uint64_t first, const ColumnPeaks& peaks);
    void ClassifyRest(const uint8_t* frames, std::size_t count, uint64_t* mask, std::size_t done) const;

    bool eightBit_;
    bool stereo_;
    int stride_;
    int limit_;
    VectorKernel vector_ = nullptr;  // whole 64-frame words; the rest frame by frame
    FusedKernel fused_ = nullptr;    // the same, with the peaks
};

// The amplitude limit of a silence percentage: a sample of amplitude a is
// silent exactly when a < AmplitudeLimit(eightBit, percent).
[[nodiscard]] int AmplitudeLimit(bool eightBit, int32_t percent);

// The index of the first bit at or after from (below count) that equals value,
// or count when there is none.
[[nodiscard]] std::size_t FindBit(const uint64_t* mask, std::size_t count, std::size_t from, bool value);

}  // namespace quillon::engine
