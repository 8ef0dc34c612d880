#pragma once
// The level overview keeps its peaks on the 16-bit scale whatever the depth,
// so what reads it (quiet stretches, suggested thresholds, gap candidates, the
// drawing) needs no other. PeakMap puts a wide layout's amplitude key
// (analysis/SampleAmplitude.h) there.
//
// Contract: with L_p = AmplitudeLimit(format, p) and M_p = AmplitudeLimit(false,
// p) for every whole p in 0..100, the map is monotone (a <= b gives map(a) <=
// map(b)) and takes [L_p, L_p+1) into [M_p, M_p+1), linearly in amplitude.
// Keys at or above L_100 (full scale, a float of 1.0 or more, infinity) map to
// 32768, NaN to 65535. So map(a) < M_p exactly when a < L_p: a column whose
// mapped peak is below M_p is one whose every frame is silent at p. Being
// monotone, the map commutes with the maximum: a segment's largest key may be
// mapped once.

#include <array>
#include <cstddef>
#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

class PeakMap {
public:
    // format: a wide kind (24- or 32-bit integer, 32- or 64-bit float).
    explicit PeakMap(const WaveFormat& format);

    [[nodiscard]] uint16_t operator()(uint64_t key) const;

private:
    // The amplitude a key stands for.
    [[nodiscard]] double Value(uint64_t key) const;

    // The last p with L_p <= key (key below L_100).
    [[nodiscard]] std::size_t Percent(uint64_t key, double value) const;

    SampleKind kind_;
    uint64_t nanAbove_;
    double fullScale_;
    std::array<uint64_t, 101> limits_{};  // L_p
    std::array<double, 101> values_{};    // the amplitude of L_p
    std::array<uint16_t, 101> scale_{};   // M_p
    std::array<double, 100> slopes_{};    // (M_p+1 - M_p) / (amplitude of L_p+1 - that of L_p)
};

}  // namespace quillon::engine
