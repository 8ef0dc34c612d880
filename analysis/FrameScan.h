#pragma once
// The block-wise form of the per-frame silence test: whole runs of frames are
// judged into a bit mask (bit i of word i / 64 set when frame i is silent), and
// the runs of silent frames are read off the mask. The answer for every frame
// is IsSilentFrame's.

#include <cstddef>
#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

class FrameClassifier {
public:
    // format must have passed the reader (block align holds the tested samples).
    FrameClassifier(const WaveFormat& format, int32_t amplitudePercent);

    // Sets bit i of mask (count bits, (count + 63) / 64 words; unused bits of
    // the last word cleared) when frame i of frames is silent.
    void Classify(const uint8_t* frames, std::size_t count, uint64_t* mask) const;

    // A sample of amplitude a is silent exactly when a < Limit().
    [[nodiscard]] int Limit() const { return limit_; }

private:
    bool eightBit_;
    bool stereo_;
    int stride_;
    int limit_;
};

// The amplitude limit of a silence percentage: a sample of amplitude a is
// silent exactly when a < AmplitudeLimit(eightBit, percent).
[[nodiscard]] int AmplitudeLimit(bool eightBit, int32_t percent);

// The index of the first bit at or after from (below count) that equals value,
// or count when there is none.
[[nodiscard]] std::size_t FindBit(const uint64_t* mask, std::size_t count, std::size_t from, bool value);

}  // namespace quillon::engine
