#include "analysis/WaveFormat.h"

#include <algorithm>
#include <cstring>

namespace quillon::engine {
namespace {

// The GUID of an extensible block's sub-format, after its first two bytes
// (the classic format tag): KSDATAFORMAT_SUBTYPE_PCM and _IEEE_FLOAT share it.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::size_t kExtensibleBytes = 40;
constexpr uint16_t kExtensibleExtra = 22;

uint32_t Le(const uint8_t* p, int width) {
    uint32_t v = 0;
    for (int i = 0; i < width; ++i) v |= uint32_t(p[i]) << (8 * i);
    return v;
}

// An integer layout from its container and valid bits.
FormatVerdict Integer(WaveFormat& f, int containerBits, int validBits) {
    f.ValidBits = uint16_t(validBits);
    switch (containerBits) {
    case 8: f.Wide = SampleKind::Unsigned8; break;
    case 16: f.Wide = SampleKind::Signed16; break;
    case 24: f.Wide = SampleKind::Signed24; break;
    case 32: f.Wide = SampleKind::Signed32; break;
    default: return FormatVerdict::Unsupported;
    }
    return FormatVerdict::Wide;
}

FormatVerdict Float(WaveFormat& f, int bits) {
    f.ValidBits = uint16_t(bits);
    if (bits == 32) f.Wide = SampleKind::Float32;
    else if (bits == 64) f.Wide = SampleKind::Float64;
    else return FormatVerdict::Unsupported;
    return FormatVerdict::Wide;
}

FormatVerdict Extensible(const uint8_t* b, std::size_t size, WaveFormat& f) {
    if (size < kExtensibleBytes || f.cbSize < kExtensibleExtra) return FormatVerdict::Malformed;
    const int container = f.wBitsPerSample;
    const int valid = Le(b + 18, 2) == 0 ? container : int(Le(b + 18, 2));
    f.ChannelMask = Le(b + 20, 4);
    if (container == 0 || container % 8 != 0 || valid < 2 || valid > container) return FormatVerdict::Malformed;
    if (std::memcmp(b + 26, kSubFormatTail, sizeof kSubFormatTail) != 0) return FormatVerdict::Unsupported;
    const uint32_t sub = Le(b + 24, 2);
    if (sub == WAVE_FORMAT_PCM) return Integer(f, container, valid);
    if (sub == WAVE_FORMAT_IEEE_FLOAT) return valid == container ? Float(f, container) : FormatVerdict::Malformed;
    return FormatVerdict::Unsupported;
}

}  // namespace

FormatVerdict ParseFormatChunk(const uint8_t* bytes, std::size_t size, WaveFormat& f) {
    std::array<uint8_t, WaveFormat::kBytes> head{};
    std::memcpy(head.data(), bytes, std::min<std::size_t>(size, WaveFormat::kBytes));
    f = WaveFormat::FromBytes(head);
    f.ChunkBytes = uint16_t(std::min<std::size_t>(size, WaveFormat::kMaxChunkBytes));
    std::memcpy(f.Chunk.data(), bytes, f.ChunkBytes);
    f.ValidBits = f.wBitsPerSample;
    switch (f.wFormatTag) {
    case WAVE_FORMAT_PCM:
        if (f.wBitsPerSample <= 16) return FormatVerdict::Classic;
        if (f.wBitsPerSample > 32) return FormatVerdict::Unsupported;
        return Integer(f, f.wBitsPerSample <= 24 ? 24 : 32, f.wBitsPerSample);
    case WAVE_FORMAT_IEEE_FLOAT: return Float(f, f.wBitsPerSample);
    case WAVE_FORMAT_EXTENSIBLE: return Extensible(bytes, size, f);
    default: return FormatVerdict::Unsupported;
    }
}

}  // namespace quillon::engine
