#pragma once
// The block-wise form of the per-frame silence test: whole blocks of frames are
// judged in one loop the compiler can vectorise. The result for every frame is
// the same as IsSilentFrame's.

#include <cstddef>
#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

class FrameClassifier {
public:
    // format must have passed the reader (block align holds the tested samples).
    FrameClassifier(const WaveFormat& format, int32_t amplitudePercent);

    // flags[i] = 1 when frame i of frames (count frames, block align apart) is
    // silent, else 0.
    void Classify(const uint8_t* frames, std::size_t count, uint8_t* flags) const;

    // A sample of amplitude a is silent exactly when a < Limit().
    [[nodiscard]] int Limit() const { return limit_; }

private:
    bool eightBit_;
    bool stereo_;
    int stride_;
    int limit_;
};

}  // namespace quillon::engine
