#include "libs/ZORodaVodere/DeviceFrames.h"

#include <cstring>

namespace quillon::player {

using engine::SampleKind;

namespace {

constexpr int kMostChannels = 8;

struct Layout {
    SDL_AudioFormat format;   // the device's
    uint8_t fileSampleBytes;  // a sample's container in the file
};

Layout LayoutOf(SampleKind kind) {
    switch (kind) {
    case SampleKind::Unsigned8: return {AUDIO_U8, 1};
    case SampleKind::Signed16: return {AUDIO_S16LSB, 2};
    case SampleKind::Signed24: return {AUDIO_S32LSB, 3};
    case SampleKind::Signed32: return {AUDIO_S32LSB, 4};
    case SampleKind::Float32: return {AUDIO_F32LSB, 4};
    case SampleKind::Float64: return {AUDIO_F32LSB, 8};
    }
    return {AUDIO_S16LSB, 2};
}

// One sample of kind from the file into the device's format; both are
// little-endian, as SDL is asked for and as the machines Quillon runs on are.
void ConvertSample(SampleKind kind, const uint8_t* in, uint8_t* out) {
    switch (kind) {
    case SampleKind::Signed24:
        // The three bytes become the top of a 32-bit sample: the same level.
        out[0] = 0;
        std::memcpy(out + 1, in, 3);
        return;
    case SampleKind::Float64: {
        double wide;
        std::memcpy(&wide, in, sizeof wide);
        const float narrow = float(wide);
        std::memcpy(out, &narrow, sizeof narrow);
        return;
    }
    case SampleKind::Unsigned8: out[0] = in[0]; return;
    case SampleKind::Signed16: std::memcpy(out, in, 2); return;
    case SampleKind::Signed32:
    case SampleKind::Float32: std::memcpy(out, in, 4); return;
    }
}

}  // namespace

bool PlayableAs(const engine::WaveFormat& f, DeviceFrame& frame) {
    // The classic reader's layouts are PCM of up to 16 bits; every other one
    // the reader opens has its kind resolved from the fmt chunk.
    const bool classic = !f.Wide && f.wFormatTag == engine::WAVE_FORMAT_PCM && f.wBitsPerSample <= 16;
    if ((!classic && !f.Wide) || f.nChannels > kMostChannels) return false;
    const Layout layout = LayoutOf(engine::KindOf(f));
    frame.kind = engine::KindOf(f);
    frame.format = layout.format;
    frame.fileSampleBytes = layout.fileSampleBytes;
    frame.deviceSampleBytes = uint8_t(SDL_AUDIO_BITSIZE(layout.format) / 8);
    frame.channels = uint8_t(f.nChannels == 0 ? 2 : f.nChannels);
    return f.nBlockAlign >= frame.channels * frame.fileSampleBytes;
}

std::size_t ToDeviceFrames(const DeviceFrame& frame, const uint8_t* in, std::size_t fileFrameBytes, std::size_t frames,
                           uint8_t* out) {
    for (std::size_t i = 0; i < frames; ++i) {
        const uint8_t* sample = in + i * fileFrameBytes;
        for (int c = 0; c < frame.channels; ++c) {
            ConvertSample(frame.kind, sample, out);
            sample += frame.fileSampleBytes;
            out += frame.deviceSampleBytes;
        }
    }
    return frames * frame.Bytes();
}

}  // namespace quillon::player
