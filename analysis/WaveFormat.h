#pragma once
// The 18-byte format block of a wave file's "fmt " chunk (little-endian on disk).

#include <array>
#include <cstdint>

namespace quillon::engine {

constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct WaveFormat {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;  // 1 mono; anything else is handled as stereo
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;  // not used by the readers of the block
    uint16_t nBlockAlign = 0;      // bytes per sample frame
    uint16_t wBitsPerSample = 0;   // 8 is unsigned 8-bit; anything else signed 16-bit
    uint16_t cbSize = 0;           // 0 for a 16-byte PCM fmt chunk

    static constexpr int kBytes = 18;

    [[nodiscard]] std::array<uint8_t, kBytes> ToBytes() const {
        std::array<uint8_t, kBytes> b{};
        auto put = [&b](int at, uint32_t v, int width) {
            for (int i = 0; i < width; ++i) b[at + i] = uint8_t(v >> (8 * i));
        };
        put(0, wFormatTag, 2);
        put(2, nChannels, 2);
        put(4, nSamplesPerSec, 4);
        put(8, nAvgBytesPerSec, 4);
        put(12, nBlockAlign, 2);
        put(14, wBitsPerSample, 2);
        put(16, cbSize, 2);
        return b;
    }

    static WaveFormat FromBytes(const std::array<uint8_t, kBytes>& b) {
        auto get = [&b](int at, int width) {
            uint32_t v = 0;
            for (int i = 0; i < width; ++i) v |= uint32_t(b[at + i]) << (8 * i);
            return v;
        };
        WaveFormat f;
        f.wFormatTag = uint16_t(get(0, 2));
        f.nChannels = uint16_t(get(2, 2));
        f.nSamplesPerSec = get(4, 4);
        f.nAvgBytesPerSec = get(8, 4);
        f.nBlockAlign = uint16_t(get(12, 2));
        f.wBitsPerSample = uint16_t(get(14, 2));
        f.cbSize = uint16_t(get(16, 2));
        return f;
    }
};

// Bytes of one sample as the silence test reads it: 1 at 8 bits, 2 otherwise.
constexpr int SampleBytes(const WaveFormat& f) { return f.wBitsPerSample == 8 ? 1 : 2; }

// Bytes of a frame the silence test looks at: one sample for mono, two otherwise.
constexpr int TestedFrameBytes(const WaveFormat& f) { return SampleBytes(f) * (f.nChannels == 1 ? 1 : 2); }

}  // namespace quillon::engine
