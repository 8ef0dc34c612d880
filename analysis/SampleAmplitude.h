#pragma once
// A sample's amplitude as an unsigned key that orders as |v| does, so the
// silence test and the level's peaks are integer compares and maxima on every
// depth. Integers: |v| after the valid-bit shift (|-2^31| is 2^31, |0 - 128|
// at 8 bits is 128). Floating point: the bits of |v|, which order as |v| for
// numbers and put every NaN above infinity. Samples are little-endian.

#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

inline uint32_t LoadLe32(const uint8_t* s) {
    return uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
}

inline uint64_t LoadLe64(const uint8_t* s) { return uint64_t(LoadLe32(s)) | uint64_t(LoadLe32(s + 4)) << 32; }

// The signed value of an integer sample's container, little-endian: 8-bit
// samples centred (v - 128), wider ones sign-extended, before any valid-bit
// shift. Not for floating-point kinds.
inline int32_t IntegerSample(const uint8_t* s, SampleKind k) {
    switch (k) {
    case SampleKind::Unsigned8: return int32_t(s[0]) - 128;
    case SampleKind::Signed24: return int32_t(uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24) >> 8;
    case SampleKind::Signed32: return int32_t(LoadLe32(s));
    default: return int16_t(uint16_t(s[0] | s[1] << 8));
    }
}

inline uint64_t Magnitude(int32_t v) { return v < 0 ? uint64_t(-int64_t(v)) : uint64_t(v); }

// The key of the sample at s; shift is ValidShift of the format (wide integers only).
template <SampleKind K>
inline uint64_t AmplitudeKey(const uint8_t* s, int shift) {
    if constexpr (K == SampleKind::Unsigned8) {
        return Magnitude(int32_t(s[0]) - 128);
    } else if constexpr (K == SampleKind::Signed16) {
        return Magnitude(int16_t(uint16_t(s[0] | s[1] << 8)));
    } else if constexpr (K == SampleKind::Signed24) {
        const uint32_t top = uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24;
        return Magnitude(int32_t(top) >> (8 + shift));
    } else if constexpr (K == SampleKind::Signed32) {
        return Magnitude(int32_t(LoadLe32(s)) >> shift);
    } else if constexpr (K == SampleKind::Float32) {
        return LoadLe32(s) & 0x7FFFFFFFu;
    } else {
        return LoadLe64(s) & 0x7FFFFFFFFFFFFFFFu;
    }
}

// Keys above this are NaN (floating point kinds); UINT64_MAX for integers.
constexpr uint64_t NanKeysAbove(SampleKind k) {
    if (k == SampleKind::Float32) return 0x7F800000u;
    if (k == SampleKind::Float64) return 0x7FF0000000000000u;
    return UINT64_MAX;
}

}  // namespace quillon::engine
