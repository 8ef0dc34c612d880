#include "export/FramePosition.h"

#include <cmath>

namespace quillon::engine {

int64_t MsToFrames(uint32_t ms, const WaveFormat& format) {
    const double rate = format.nSamplesPerSec;
    if (rate == 0) return 0;
    return int64_t(std::nearbyint(double(ms) * (rate / 1000.0)));
}

uint64_t FramesToMs(int64_t frames, const WaveFormat& format) {
    const double rate = format.nSamplesPerSec;
    if (rate == 0 || frames <= 0) return 0;
    return uint64_t(std::nearbyint(double(frames) / rate * 1000.0));
}

}  // namespace quillon::engine
