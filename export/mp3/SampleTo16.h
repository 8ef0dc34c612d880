#pragma once
// One wave layout's samples as the signed 16-bit samples the LAME route
// encodes. 8-bit and 16-bit samples convert exactly (8-bit: b * 256 - 32768).
// Wider ones are scaled to 16 bits (integers by their container: valid bits
// sit at its top; floating point with 1.0 as full scale), given TPDF dither
// (two independent uniform values of +-0.5 LSB, summed) and rounded, so the
// result stays within one LSB of the plain rounding. Nothing wraps: what
// passes full scale, by the dither or in a float above 1.0, is held at
// -32768 or 32767; a NaN is silence. The dither's sequence is the same for
// every converter made with the same seed, so a track encodes the same twice.

#include <cstddef>
#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

class SampleTo16 {
public:
    explicit SampleTo16(const WaveFormat& format, uint64_t seed = 1);

    // Converts frames whole frames of the format's block align from in into
    // frames * channels samples, channels interleaved, at out.
    void Convert(const uint8_t* in, std::size_t frames, int16_t* out);

private:
    [[nodiscard]] int16_t Next(const uint8_t* sample);
    [[nodiscard]] int16_t Dithered(double value);
    [[nodiscard]] double Uniform();

    SampleKind kind_;
    int sampleBytes_;
    int channels_;
    int blockAlign_;
    double scale_;  // what one unit of a wide integer container is in 16-bit steps
    uint64_t state_;
};

}  // namespace quillon::engine
