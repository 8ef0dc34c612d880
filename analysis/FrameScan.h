#pragma once
// The block-wise form of the per-frame silence test: whole runs of frames are
// judged into a bit mask (bit i of word i / 64 set when frame i is silent), and
// the runs of silent frames are read off the mask. The answer for every frame
// is IsSilentFrame's.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "analysis/PeakMap.h"
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
    // Packed 8-, 16-, 24- and 32-bit and float32 layouts are judged with vector
    // instructions up to level (analysis/WideKernels.h says which); padded
    // ones, and 64-bit floats, frame by frame.
    FrameClassifier(const WaveFormat& format, int32_t amplitudePercent, VectorLevel level = VectorLevel::Best);

    // Sets bit i of mask (count bits, (count + 63) / 64 words; unused bits of
    // the last word cleared) when frame i of frames is silent.
    void Classify(const uint8_t* frames, std::size_t count, uint64_t* mask) const;
    // Classify, and in the same pass, where the layout and level allow it
    // (AVX2 and packed frames: 16-bit ones in columns of at least 64 frames,
    // 24- and 32-bit and float32 ones in any), the peaks of the frames into
    // peaks (on the 16-bit scale, analysis/PeakMap.h), frames[0] being frame
    // first of the data chunk.
    // Returns how many frames from the start had their peaks taken (whole
    // 64-frame words; 0 when there is no such pass): the rest's are the caller's.
    [[nodiscard]] std::size_t ClassifyWithPeaks(const uint8_t* frames, std::size_t count, uint64_t* mask,
                                                uint64_t first, const ColumnPeaks& peaks) const;

    // A sample whose amplitude key (analysis/SampleAmplitude.h) is k is silent
    // exactly when k < Limit().
    [[nodiscard]] uint64_t Limit() const { return limit_; }

private:
    using VectorKernel = std::size_t (*)(const uint8_t* frames, std::size_t count, uint64_t* mask, int limit);
    using WideKernel = std::size_t (*)(const uint8_t* frames, std::size_t count, uint64_t* mask, uint32_t below,
                                       int shift, uint32_t* wordPeaks);
    using WidePeak = uint64_t (*)(const uint8_t* frames, std::size_t count, int stride, bool stereo, int shift);
    using FusedKernel = std::size_t (*)(const uint8_t* frames, std::size_t count, uint64_t* mask, int limit,
                                        uint64_t first, const ColumnPeaks& peaks);
    void ChooseClassicKernels(VectorLevel level);
    [[nodiscard]] std::size_t ClassifyWidePeaks(const uint8_t* frames, std::size_t count, uint64_t* mask,
                                                uint64_t first, const ColumnPeaks& peaks) const;
    void PutWordPeaks(const uint8_t* frames, std::size_t count, const uint32_t* wordPeaks, uint64_t first,
                      const ColumnPeaks& peaks) const;
    void ClassifyRest(const uint8_t* frames, std::size_t count, uint64_t* mask, std::size_t done) const;

    SampleKind kind_;
    bool stereo_;
    bool packed_;  // block align is the tested bytes
    int stride_;
    int shift_;
    uint64_t limit_;
    VectorKernel vector_ = nullptr;   // 8 and 16 bits: whole 64-frame words; the rest frame by frame
    WideKernel wide_ = nullptr;       // the same for the wide kinds
    FusedKernel fused_ = nullptr;     // 16 bits, with the peaks
    bool widePeaks_ = false;          // wide_ takes the peaks of its words
    WidePeak segmentPeak_ = nullptr;  // then the words that column edges cut are read again
    std::optional<PeakMap> map_;
};

// The amplitude limit of a silence percentage on the 8- or 16-bit scale: a
// sample of amplitude a is silent exactly when a < AmplitudeLimit(eightBit,
// percent). The level overview's peaks are on this scale at every depth.
[[nodiscard]] int AmplitudeLimit(bool eightBit, int32_t percent);

// The same for a format's own samples, on their amplitude keys: a sample is
// silent exactly when its key is below the limit, that is when |v| < percent *
// FullScale(format) / 100 and, for floating point, |v| <= 1.0 (NaN is never
// silent). 0 for percent <= 0. Integers: ceil(percent * FullScale / 100) at
// most FullScale + 2 (everything silent; |-2^31| is loud at 100 %); 8 and 16
// bits give AmplitudeLimit(eightBit, percent).
[[nodiscard]] uint64_t AmplitudeLimit(const WaveFormat& format, int32_t percent);

// The index of the first bit at or after from (below count) that equals value,
// or count when there is none.
[[nodiscard]] std::size_t FindBit(const uint64_t* mask, std::size_t count, std::size_t from, bool value);

}  // namespace quillon::engine
