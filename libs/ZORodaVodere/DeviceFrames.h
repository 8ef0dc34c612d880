#pragma once
// What the preview player gives the sound device for each frame of a file:
// the device's sample format for every layout the reader takes, and the
// conversion of whole frames into it. Padding at the end of a frame (a block
// align wider than its samples) never reaches the device.

#include <SDL2/SDL_audio.h>

#include <cstddef>
#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::player {

struct DeviceFrame {
    engine::SampleKind kind = engine::SampleKind::Signed16;  // of the file's samples
    uint8_t channels = 0;
    SDL_AudioFormat format = AUDIO_S16LSB;  // what the device is asked to play
    uint8_t fileSampleBytes = 2;            // one sample's container in the file
    uint8_t deviceSampleBytes = 2;          // one sample as the device gets it

    [[nodiscard]] uint16_t Bytes() const { return uint16_t(channels * deviceSampleBytes); }
};

// How the device plays f, as the analysis reads its frames: 8-bit unsigned
// and 16-bit signed as they are (any classic width up to 16 is a 16-bit
// container), 24-bit widened to 32-bit, 32-bit integer and 32-bit float as
// they are, 64-bit float made 32-bit float. One channel is mono and 0 counts
// as two; files of up to 8 channels, which the analysis does not list, still
// play all of them. False for a layout the reader never opens, more than 8
// channels, or a block align too small for the samples.
[[nodiscard]] bool PlayableAs(const engine::WaveFormat& f, DeviceFrame& frame);

// Writes frames of the file, read into in fileFrameBytes apart, into out as
// the device's frames (frame.Bytes() apart); out may not overlap in. The
// bytes written.
std::size_t ToDeviceFrames(const DeviceFrame& frame, const uint8_t* in, std::size_t fileFrameBytes, std::size_t frames,
                           uint8_t* out);

}  // namespace quillon::player
