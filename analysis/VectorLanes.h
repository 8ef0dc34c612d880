#pragma once
// What the scan's vector kernels share (x86-64 only): the attribute that
// compiles a function for AVX2 (chosen at run time, never assumed), and the
// largest of a vector's unsigned 16-bit lanes.

#if defined(__x86_64__)
#include <immintrin.h>

#include <cstdint>

#define QUILLON_AVX2 __attribute__((target("avx2")))

namespace quillon::engine {

// The largest of eight unsigned 16-bit lanes: the smallest of their complements.
QUILLON_AVX2 inline uint16_t MaxLane16(__m128i v) {
    const __m128i least = _mm_minpos_epu16(_mm_xor_si128(v, _mm_set1_epi8(char(0xFF))));
    return uint16_t(0xFFFF - (_mm_cvtsi128_si32(least) & 0xFFFF));
}

// The largest of sixteen.
QUILLON_AVX2 inline uint16_t MaxLane16(__m256i v) {
    return MaxLane16(_mm_max_epu16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
}

}  // namespace quillon::engine
#endif
