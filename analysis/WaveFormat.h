#pragma once
// The 18-byte format block of a wave file's "fmt " chunk (little-endian on disk),
// and how its samples are stored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillon::engine {

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// How one sample is stored. Unsigned8 and Signed16 are the classic layouts
// (Signed16 also for fewer bits in a 16-bit container); the others open only
// with the wide-formats setting.
enum class SampleKind : uint8_t { Unsigned8, Signed16, Signed24, Signed32, Float32, Float64 };

struct WaveFormat {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;  // 1 mono; anything else is handled as stereo
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;  // not used by the readers of the block
    uint16_t nBlockAlign = 0;      // bytes per sample frame
    uint16_t wBitsPerSample = 0;   // 8 is unsigned 8-bit; anything else signed 16-bit
    uint16_t cbSize = 0;           // 0 for a 16-byte PCM fmt chunk

    static constexpr int kBytes = 18;

    // Resolved from the whole fmt chunk by ParseFormatChunk, not part of the 18
    // bytes: set for every layout other than plain PCM of up to 16 bits (an
    // extensible 16-bit block too). Read the kind through KindOf.
    std::optional<SampleKind> Wide;
    uint16_t ValidBits = 0;    // wide integers: the bits that carry a sample, from the top of its container
    uint32_t ChannelMask = 0;  // an extensible block's speaker mask, kept, not used
    // The fmt chunk as the file holds it (wide formats' tracks repeat it).
    static constexpr int kMaxChunkBytes = 64;
    std::array<uint8_t, kMaxChunkBytes> Chunk{};
    uint16_t ChunkBytes = 0;

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

// The kind of a sample: the wide layout's, else 8-bit unsigned at 8 bits and
// signed 16-bit for anything else, as the classic reader takes them.
constexpr SampleKind KindOf(const WaveFormat& f) {
    if (f.Wide) return *f.Wide;
    return f.wBitsPerSample == 8 ? SampleKind::Unsigned8 : SampleKind::Signed16;
}

// Bytes of one sample's container as the silence test reads it.
constexpr int SampleBytes(const WaveFormat& f) {
    switch (KindOf(f)) {
    case SampleKind::Unsigned8: return 1;
    case SampleKind::Signed16: return 2;
    case SampleKind::Signed24: return 3;
    case SampleKind::Signed32:
    case SampleKind::Float32: return 4;
    case SampleKind::Float64: return 8;
    }
    return 2;
}

constexpr bool IsFloatKind(SampleKind k) { return k == SampleKind::Float32 || k == SampleKind::Float64; }

// The layouts the classic reader opens: plain PCM of up to 16 bits. Every
// other accepted layout is a wide one.
constexpr bool IsClassicFormat(const WaveFormat& f) { return !f.Wide; }

// The amplitude of full scale: 128 at 8 bits and 32767 at 16 as ever,
// 2^(valid bits - 1) - 1 for wider integers, 1.0 for floating point.
constexpr double FullScale(const WaveFormat& f) {
    switch (KindOf(f)) {
    case SampleKind::Unsigned8: return 128;
    case SampleKind::Signed16: return 32767;
    case SampleKind::Signed24:
    case SampleKind::Signed32: return double((uint64_t(1) << (f.ValidBits - 1)) - 1);
    case SampleKind::Float32:
    case SampleKind::Float64: return 1.0;
    }
    return 32767;
}

// How far a wide integer sample is shifted right (arithmetically) to its
// valid bits; 0 for the other kinds.
constexpr int ValidShift(const WaveFormat& f) {
    const bool wideInteger = KindOf(f) == SampleKind::Signed24 || KindOf(f) == SampleKind::Signed32;
    return wideInteger ? SampleBytes(f) * 8 - f.ValidBits : 0;
}

// What a whole fmt chunk says about opening the file.
enum class FormatVerdict {
    Classic,      // the classic reader's own layouts (its other checks still apply)
    Wide,         // opens with the wide-formats setting
    Unsupported,  // refused either way
    Malformed,    // an extensible block that contradicts itself or is cut short
};

// Reads the first min(size, kMaxChunkBytes) bytes of a fmt chunk into f (its
// 18 bytes, Wide, ValidBits, ChannelMask and Chunk) and judges the layout:
// PCM of 17 to 32 bits (24- or 32-bit containers), IEEE float of 32 or 64
// bits, and extensible blocks whose sub-format is PCM (8, 16, 24, 32-bit
// containers) or IEEE float are Wide. Channels, rate and block align are the
// caller's to check.
FormatVerdict ParseFormatChunk(const uint8_t* bytes, std::size_t size, WaveFormat& f);

// Bytes of a frame the silence test looks at: one sample for mono, two otherwise.
constexpr int TestedFrameBytes(const WaveFormat& f) { return SampleBytes(f) * (f.nChannels == 1 ? 1 : 2); }

}  // namespace quillon::engine
