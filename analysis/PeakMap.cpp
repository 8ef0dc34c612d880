#include "analysis/PeakMap.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "analysis/FrameScan.h"
#include "analysis/SampleAmplitude.h"

namespace quillon::engine {

PeakMap::PeakMap(const WaveFormat& format)
    : kind_(KindOf(format)), nanAbove_(NanKeysAbove(kind_)), fullScale_(FullScale(format)) {
    for (int32_t p = 0; p <= 100; ++p) {
        limits_[std::size_t(p)] = AmplitudeLimit(format, p);
        values_[std::size_t(p)] = Value(limits_[std::size_t(p)]);
        scale_[std::size_t(p)] = uint16_t(AmplitudeLimit(false, p));
    }
    for (std::size_t p = 0; p < 100; ++p) {
        const double width = values_[p + 1] - values_[p];  // 0 where percentages share a limit: never used
        slopes_[p] = width > 0 ? (scale_[p + 1] - scale_[p]) / width : 0;
    }
}

double PeakMap::Value(uint64_t key) const {
    if (kind_ == SampleKind::Float32) return double(std::bit_cast<float>(uint32_t(key)));
    if (kind_ == SampleKind::Float64) return std::bit_cast<double>(key);
    return double(key);
}

std::size_t PeakMap::Percent(uint64_t key, double value) const {
    // A guess from the amplitude, then the limits themselves decide.
    std::size_t p = std::size_t(std::clamp(value * 100 / fullScale_, 0.0, 99.0));
    while (limits_[p] > key) --p;
    while (limits_[p + 1] <= key) ++p;
    return p;
}

uint16_t PeakMap::operator()(uint64_t key) const {
    if (key > nanAbove_) return 65535;
    if (key >= limits_[100]) return 32768;
    // L_0 is 0 and key < L_100, so 0 <= p < 100 and L_p <= key < L_p+1.
    const double value = Value(key);
    const std::size_t p = Percent(key, value);
    const double span = scale_[p + 1] - scale_[p];
    // Floor and clamp are monotone, and the clamp keeps rounding inside [M_p, M_p+1).
    return uint16_t(scale_[p] + std::clamp(std::floor((value - values_[p]) * slopes_[p]), 0.0, span - 1));
}

}  // namespace quillon::engine
