#include "analysis/FrameScan.h"

#include <cmath>

namespace quillon::engine {
namespace {

// An integer amplitude a (0..maxAmplitude) is below the floating-point
// threshold t exactly when it is below ceil(t); clamped so every limit fits an int.
int IntegerLimit(double threshold, int maxAmplitude) {
    const double c = std::ceil(threshold);
    if (c <= 0) return 0;
    if (c > maxAmplitude) return maxAmplitude + 1;
    return int(c);
}

inline int Amplitude8(const uint8_t* s) {
    const int v = int(s[0]) - 128;
    return v < 0 ? -v : v;
}

inline int Amplitude16(const uint8_t* s) {
    const int v = int16_t(uint16_t(s[0] | s[1] << 8));
    return v < 0 ? -v : v;
}

// Stride is the block align when it is the natural one (known at compile time,
// so the loop vectorises), or 0 to take the run-time stride.
template <bool Eight, bool Stereo, int Stride>
void ClassifyLoop(const uint8_t* p, std::size_t n, uint8_t* flags, int limit, int runtimeStride) {
    const int stride = Stride ? Stride : runtimeStride;
    constexpr int second = Eight ? 1 : 2;
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t* f = p + i * std::size_t(stride);
        const int a0 = Eight ? Amplitude8(f) : Amplitude16(f);
        int silent = a0 < limit;
        if constexpr (Stereo) silent &= (Eight ? Amplitude8(f + second) : Amplitude16(f + second)) < limit;
        flags[i] = uint8_t(silent);
    }
}

}  // namespace

FrameClassifier::FrameClassifier(const WaveFormat& format, int32_t amplitudePercent)
    : eightBit_(format.wBitsPerSample == 8),
      stereo_(format.nChannels != 1),
      stride_(format.nBlockAlign),
      limit_(eightBit_ ? IntegerLimit(double(amplitudePercent) * 128 / 100, 128)
                       : IntegerLimit(double(amplitudePercent) * 32767 / 100, 32768)) {}

void FrameClassifier::Classify(const uint8_t* frames, std::size_t count, uint8_t* flags) const {
    const int natural = (eightBit_ ? 1 : 2) * (stereo_ ? 2 : 1);
    const bool packed = stride_ == natural;
    if (eightBit_ && !stereo_)
        packed ? ClassifyLoop<true, false, 1>(frames, count, flags, limit_, stride_)
               : ClassifyLoop<true, false, 0>(frames, count, flags, limit_, stride_);
    else if (eightBit_)
        packed ? ClassifyLoop<true, true, 2>(frames, count, flags, limit_, stride_)
               : ClassifyLoop<true, true, 0>(frames, count, flags, limit_, stride_);
    else if (!stereo_)
        packed ? ClassifyLoop<false, false, 2>(frames, count, flags, limit_, stride_)
               : ClassifyLoop<false, false, 0>(frames, count, flags, limit_, stride_);
    else
        packed ? ClassifyLoop<false, true, 4>(frames, count, flags, limit_, stride_)
               : ClassifyLoop<false, true, 0>(frames, count, flags, limit_, stride_);
}

}  // namespace quillon::engine
