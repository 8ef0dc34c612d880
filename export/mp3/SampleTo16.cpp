#include "export/mp3/SampleTo16.h"

#include <cmath>
#include <cstring>

#include "analysis/SampleAmplitude.h"

namespace quillon::engine {
SampleTo16::SampleTo16(const WaveFormat& format, uint64_t seed)
    : kind_(KindOf(format)),
      sampleBytes_(SampleBytes(format)),
      channels_(format.nChannels),
      blockAlign_(format.nBlockAlign),
      scale_(std::ldexp(1.0, 16 - 8 * SampleBytes(format))),
      state_(seed != 0 ? seed : 1) {}

void SampleTo16::Convert(const uint8_t* in, std::size_t frames, int16_t* out) {
    for (std::size_t f = 0; f < frames; ++f) {
        const uint8_t* frame = in + f * std::size_t(blockAlign_);
        for (int c = 0; c < channels_; ++c) *out++ = Next(frame + c * sampleBytes_);
    }
}

int16_t SampleTo16::Next(const uint8_t* sample) {
    switch (kind_) {
    case SampleKind::Unsigned8: return int16_t(int(sample[0]) * 256 - 32768);
    case SampleKind::Signed16: return int16_t(IntegerSample(sample, kind_));
    case SampleKind::Signed24:
    case SampleKind::Signed32: return Dithered(double(IntegerSample(sample, kind_)) * scale_);
    case SampleKind::Float32: {
        float v;
        std::memcpy(&v, sample, sizeof v);
        return Dithered(double(v) * 32768.0);
    }
    case SampleKind::Float64: {
        double v;
        std::memcpy(&v, sample, sizeof v);
        return Dithered(v * 32768.0);
    }
    }
    return 0;
}

int16_t SampleTo16::Dithered(double value) {
    if (std::isnan(value)) value = 0;
    // Held before the dither as well: an infinity plus noise is no number to round.
    value = std::fmin(std::fmax(value, -40000.0), 40000.0);
    const double rounded = std::floor(value + Uniform() + Uniform() + 0.5);
    return int16_t(std::fmin(std::fmax(rounded, -32768.0), 32767.0));
}

// Uniform in [-0.5, 0.5): the top 53 bits of a xorshift64* step.
double SampleTo16::Uniform() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t r = state_ * 0x2545F4914F6CDD1DULL;
    return std::ldexp(double(r >> 11), -53) - 0.5;
}

}  // namespace quillon::engine
