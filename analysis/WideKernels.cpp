#include "analysis/WideKernels.h"

#include <algorithm>

#include "analysis/SampleAmplitude.h"
#include "analysis/VectorLanes.h"

namespace quillon::engine {
namespace {

using enum SampleKind;

constexpr std::size_t BytesOf(SampleKind k) { return k == Signed24 ? 3 : k == Float64 ? 8 : 4; }

template <SampleKind K, bool Stereo>
void ClassifyPortable(const uint8_t* p, std::size_t n, uint64_t* mask, uint64_t limit, int stride, int shift) {
    for (std::size_t w = 0; w * 64 < n; ++w) {
        const std::size_t end = std::min<std::size_t>(64, n - w * 64);
        uint64_t bits = 0;
        for (std::size_t j = 0; j < end; ++j) {
            const uint8_t* f = p + (w * 64 + j) * std::size_t(stride);
            bool silent = AmplitudeKey<K>(f, shift) < limit;
            if constexpr (Stereo) silent = silent && AmplitudeKey<K>(f + BytesOf(K), shift) < limit;
            bits |= uint64_t(silent) << j;
        }
        mask[w] = bits;
    }
}

template <SampleKind K>
uint64_t PeakPortable(const uint8_t* p, std::size_t count, int stride, bool stereo, int shift) {
    uint64_t peak = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* f = p + i * std::size_t(stride);
        peak = std::max(peak, AmplitudeKey<K>(f, shift));
        if (stereo) peak = std::max(peak, AmplitudeKey<K>(f + BytesOf(K), shift));
    }
    return peak;
}

#if defined(__x86_64__)
// Eight samples' keys in 32-bit lanes. 24-bit: two 12-byte loads fill the two
// 128-bit halves (the second reads 4 bytes past the eighth sample), and one
// shuffle puts each sample's 3 bytes at the top of its lane; the arithmetic
// shift then takes the sample to its valid bits, as it does for 32 bits.
// |-2^31| comes out as 0x80000000, which is 2^31 as an unsigned lane. Without
// Shifted (every bit of the container valid) a 24-bit key is left 256 times
// too large, and a 32-bit one as it is.
template <SampleKind K, bool Shifted = true>
QUILLON_AVX2 inline __m256i Keys8(const uint8_t* at, __m128i count) {
    if constexpr (K == Signed24) {
        const __m256i spread = _mm256_setr_epi8(-128, 0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128, 0,
                                                1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11);
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 12));
        const __m256i x = _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1), spread);
        return _mm256_abs_epi32(Shifted ? _mm256_sra_epi32(x, count) : x);
    } else if constexpr (K == Signed32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        return _mm256_abs_epi32(Shifted ? _mm256_sra_epi32(x, count) : x);
    } else {
        return _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)),
                                _mm256_set1_epi32(0x7FFFFFFF));
    }
}

template <SampleKind K>
__m128i ShiftCount(int shift) {
    return _mm_cvtsi32_si128(K == Signed24 ? 8 + shift : shift);
}

// Vectors of eight samples from the first that read nothing past samples.
template <SampleKind K>
std::size_t VectorsWithin(std::size_t samples) {
    if constexpr (K == Signed24) return samples * 3 >= 28 ? (samples * 3 - 28) / 24 + 1 : 0;
    return samples / 8;
}

QUILLON_AVX2 inline uint32_t MaxLane32(__m256i v) {
    __m128i m = _mm_max_epu32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    m = _mm_max_epu32(m, _mm_shuffle_epi32(m, 0x4E));
    m = _mm_max_epu32(m, _mm_shuffle_epi32(m, 0xB1));
    return uint32_t(_mm_cvtsi128_si32(m));
}

// Whole 64-frame words from the first, none reading past the frames.
template <SampleKind K, bool Stereo>
std::size_t WholeWords(std::size_t n) {
    constexpr std::size_t perFrame = Stereo ? 2 : 1;
    std::size_t words = n / 64;
    while (words > 0 && VectorsWithin<K>(n * perFrame) < words * 64 * perFrame / 8) --words;
    return words;
}

// A sample is silent when its key is at most below: when min(key, below) is
// the key. A stereo frame's pair of lanes is judged on the larger key, which
// a 64-bit shift puts in the upper lane (whose sign bit movemask_pd reads).
// With Peaks, each word's largest key goes to wordPeaks[word] too. Unshifted
// 24-bit keys are 256 |v|, below * 256 + 255 their limit.
template <SampleKind K, bool Stereo, bool Peaks, bool Shifted>
QUILLON_AVX2 std::size_t ClassifyAvx2(const uint8_t* p, std::size_t n, uint64_t* mask, uint32_t below, int shift,
                                      uint32_t* wordPeaks) {
    constexpr std::size_t vectorBytes = 8 * BytesOf(K);
    constexpr int framesPerVector = Stereo ? 4 : 8;
    constexpr int scale = K == Signed24 && !Shifted ? 8 : 0;
    const __m128i count = ShiftCount<K>(shift);
    const __m256i limit = _mm256_set1_epi32(int32_t(below << scale | ((1u << scale) - 1)));
    const std::size_t words = WholeWords<K, Stereo>(n);
    for (std::size_t w = 0; w < words; ++w) {
        const uint8_t* at = p + w * (64 / framesPerVector) * vectorBytes;
        uint64_t bits = 0;
        __m256i peak = _mm256_setzero_si256();
        for (int v = 0; v < 64 / framesPerVector; ++v) {
            __m256i key = Keys8<K, Shifted>(at + std::size_t(v) * vectorBytes, count);
            if constexpr (Stereo) key = _mm256_max_epu32(key, _mm256_slli_epi64(key, 32));
            if constexpr (Peaks) peak = _mm256_max_epu32(peak, key);
            const __m256i silent = _mm256_cmpeq_epi32(_mm256_min_epu32(key, limit), key);
            const int m = Stereo ? _mm256_movemask_pd(_mm256_castsi256_pd(silent))
                                 : _mm256_movemask_ps(_mm256_castsi256_ps(silent));
            bits |= uint64_t(m) << (v * framesPerVector);
        }
        mask[w] = bits;
        if constexpr (Peaks) wordPeaks[w] = MaxLane32(peak) >> scale;
    }
    return words * 64;
}

// The four forms: with the words' peaks or not, with the shift to the valid
// bits or (all of them valid) without.
template <SampleKind K, bool Stereo>
QUILLON_AVX2 std::size_t ClassifyWordsAvx2(const uint8_t* p, std::size_t n, uint64_t* mask, uint32_t below, int shift,
                                           uint32_t* wordPeaks) {
    if (shift == 0 && wordPeaks == nullptr) return ClassifyAvx2<K, Stereo, false, false>(p, n, mask, below, 0, nullptr);
    if (shift == 0) return ClassifyAvx2<K, Stereo, true, false>(p, n, mask, below, 0, wordPeaks);
    if (wordPeaks == nullptr) return ClassifyAvx2<K, Stereo, false, true>(p, n, mask, below, shift, nullptr);
    return ClassifyAvx2<K, Stereo, true, true>(p, n, mask, below, shift, wordPeaks);
}

// Four 32-bit samples: all ones where loud. SSE2 has no unsigned compare:
// both sides are biased by 2^31 into a signed one.
template <SampleKind K>
inline __m128i LoudSse2(const uint8_t* at, __m128i count, __m128i biasedBelow) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i key;
    if constexpr (K == Signed32) {
        x = _mm_sra_epi32(x, count);
        const __m128i sign = _mm_srai_epi32(x, 31);
        key = _mm_sub_epi32(_mm_xor_si128(x, sign), sign);
    } else {
        key = _mm_and_si128(x, _mm_set1_epi32(0x7FFFFFFF));
    }
    return _mm_cmpgt_epi32(_mm_xor_si128(key, _mm_set1_epi32(INT32_MIN)), biasedBelow);
}

template <SampleKind K, bool Stereo>
std::size_t ClassifySse2(const uint8_t* p, std::size_t n, uint64_t* mask, uint32_t below, int shift, uint32_t*) {
    constexpr int framesPerVector = Stereo ? 2 : 4;
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m128i biased = _mm_set1_epi32(int32_t(below ^ 0x80000000u));
    const std::size_t words = n / 64;
    for (std::size_t w = 0; w < words; ++w) {
        const uint8_t* at = p + w * 64 * 4 * (Stereo ? 2 : 1);
        uint64_t bits = 0;
        for (int v = 0; v < 64 / framesPerVector; ++v) {
            const __m128i loud = LoudSse2<K>(at + v * 16, count, biased);
            uint64_t m;
            if constexpr (Stereo) {
                const __m128i either = _mm_or_si128(loud, _mm_shuffle_epi32(loud, 0xB1));
                m = uint64_t(~_mm_movemask_pd(_mm_castsi128_pd(either)) & 0x3);
            } else {
                m = uint64_t(~_mm_movemask_ps(_mm_castsi128_ps(loud)) & 0xF);
            }
            bits |= m << (v * framesPerVector);
        }
        mask[w] = bits;
    }
    return words * 64;
}

// Packed frames: every sample is a tested one, eight at a time, the last few one by one.
template <SampleKind K>
QUILLON_AVX2 uint64_t PeakAvx2(const uint8_t* p, std::size_t count, int, bool stereo, int shift) {
    const std::size_t samples = count * (stereo ? 2 : 1);
    const std::size_t vectors = VectorsWithin<K>(samples);
    const __m128i shiftCount = ShiftCount<K>(shift);
    __m256i a = _mm256_setzero_si256(), b = _mm256_setzero_si256();
    std::size_t v = 0;
    for (; v + 2 <= vectors; v += 2) {
        a = _mm256_max_epu32(a, Keys8<K>(p + v * 8 * BytesOf(K), shiftCount));
        b = _mm256_max_epu32(b, Keys8<K>(p + (v + 1) * 8 * BytesOf(K), shiftCount));
    }
    if (v < vectors) a = _mm256_max_epu32(a, Keys8<K>(p + v * 8 * BytesOf(K), shiftCount));
    uint64_t peak = MaxLane32(_mm256_max_epu32(a, b));
    for (std::size_t s = vectors * 8; s < samples; ++s)
        peak = std::max(peak, AmplitudeKey<K>(p + s * BytesOf(K), shift));
    return peak;
}

template <bool Stereo>
WideWordKernel VectorFor(SampleKind kind, VectorLevel level) {
    if (level == VectorLevel::Avx2) {
        if (kind == Signed24) return ClassifyWordsAvx2<Signed24, Stereo>;
        if (kind == Signed32) return ClassifyWordsAvx2<Signed32, Stereo>;
        if (kind == Float32) return ClassifyWordsAvx2<Float32, Stereo>;
    } else if (level == VectorLevel::Sse2) {
        if (kind == Signed32) return ClassifySse2<Signed32, Stereo>;
        if (kind == Float32) return ClassifySse2<Float32, Stereo>;
    }
    return nullptr;
}
#endif

template <bool Stereo>
void ClassifyPortableOf(SampleKind kind, const uint8_t* p, std::size_t n, uint64_t* mask, uint64_t limit, int stride,
                        int shift) {
    switch (kind) {
    case Signed24: ClassifyPortable<Signed24, Stereo>(p, n, mask, limit, stride, shift); break;
    case Signed32: ClassifyPortable<Signed32, Stereo>(p, n, mask, limit, stride, shift); break;
    case Float32: ClassifyPortable<Float32, Stereo>(p, n, mask, limit, stride, shift); break;
    case Float64: ClassifyPortable<Float64, Stereo>(p, n, mask, limit, stride, shift); break;
    case Unsigned8: ClassifyPortable<Unsigned8, Stereo>(p, n, mask, limit, stride, shift); break;
    case Signed16: ClassifyPortable<Signed16, Stereo>(p, n, mask, limit, stride, shift); break;
    }
}

}  // namespace

void ClassifyWideFrames(SampleKind kind, bool stereo, const uint8_t* frames, std::size_t count, uint64_t* mask,
                        uint64_t limit, int stride, int shift) {
    if (stereo) ClassifyPortableOf<true>(kind, frames, count, mask, limit, stride, shift);
    else ClassifyPortableOf<false>(kind, frames, count, mask, limit, stride, shift);
}

WideWordKernel WideVectorKernel(SampleKind kind, bool stereo, VectorLevel level) {
#if defined(__x86_64__)
    return stereo ? VectorFor<true>(kind, level) : VectorFor<false>(kind, level);
#else
    (void)kind, (void)stereo, (void)level;
    return nullptr;
#endif
}

WideKeyPeak WidePeakKernel(SampleKind kind, bool packed, VectorLevel level) {
#if defined(__x86_64__)
    if (packed && level == VectorLevel::Avx2) {
        if (kind == Signed24) return PeakAvx2<Signed24>;
        if (kind == Signed32) return PeakAvx2<Signed32>;
        if (kind == Float32) return PeakAvx2<Float32>;
    }
#else
    (void)packed, (void)level;
#endif
    switch (kind) {
    case Signed24: return PeakPortable<Signed24>;
    case Signed32: return PeakPortable<Signed32>;
    case Float32: return PeakPortable<Float32>;
    case Float64: return PeakPortable<Float64>;
    case Unsigned8: return PeakPortable<Unsigned8>;
    case Signed16: return PeakPortable<Signed16>;
    }
    return PeakPortable<Signed16>;
}

}  // namespace quillon::engine
