#pragma once
// What a wave file holds, as its "fmt " chunk says: told after a refusal of
// its format, so the user learns why without reaching for another tool.

#include <cstdint>
#include <string>

namespace quillon::cli {

// Format tags named in the description; others are given by number alone.
enum WaveTag : uint16_t {
    TagPcm = 1,
    TagAdpcm = 2,
    TagFloat = 3,
    TagALaw = 6,
    TagMuLaw = 7,
    TagImaAdpcm = 0x11,
    TagMpeg = 0x50,
    TagMpegLayer3 = 0x55,
    TagExtensible = 0xFFFE,
};

// "24-bit PCM, 2 channels, 96000 Hz", "format tag 3 (floating point), 2
// channels, 48000 Hz"; an extensible block is described by its sub-format
// ("24-bit PCM (extensible), ..."). A frame too short for its samples and a
// missing data chunk are named at the end. "" when path has no readable
// RIFF "WAVE" fmt chunk.
[[nodiscard]] std::string DescribeWaveFile(const std::string& path);

// How the samples are stored, as the fmt chunk says: its format tag, an
// extensible block's sub-format tag (0 for other tags) and the bits of a
// sample that carry it (the valid bits of an extensible block, else the
// sample width). All 0 when path has no readable RIFF or RF64 fmt chunk.
struct StoredFormat {
    uint16_t formatTag = 0;
    uint16_t subFormatTag = 0;
    uint16_t validBits = 0;
};
[[nodiscard]] StoredFormat ReadStoredFormat(const std::string& path);

}  // namespace quillon::cli
