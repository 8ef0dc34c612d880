#include "analysis/FrameScan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/VectorLanes.h"

namespace quillon::engine {
namespace {

// An integer amplitude a (0..maxAmplitude) is below the floating-point
// threshold t exactly when it is below ceil(t); clamped so every limit fits an int.
int IntegerLimit(double threshold, int maxAmplitude) {
    const double c = std::ceil(threshold);
    if (c <= 0) return 0;
    if (c > maxAmplitude) return maxAmplitude + 1;
    return int(c);
}

inline int Amplitude8(const uint8_t* s) {
    const int v = int(s[0]) - 128;
    return v < 0 ? -v : v;
}

inline int Amplitude16(const uint8_t* s) {
    const int v = int16_t(uint16_t(s[0] | s[1] << 8));
    return v < 0 ? -v : v;
}

// Any layout: frame by frame into 64-frame words.
template <bool Eight, bool Stereo>
void ClassifyPortable(const uint8_t* p, std::size_t n, uint64_t* mask, int limit, int stride) {
    constexpr int second = Eight ? 1 : 2;
    for (std::size_t w = 0; w * 64 < n; ++w) {
        const std::size_t end = std::min<std::size_t>(64, n - w * 64);
        uint64_t bits = 0;
        for (std::size_t j = 0; j < end; ++j) {
            const uint8_t* f = p + (w * 64 + j) * std::size_t(stride);
            bool silent = (Eight ? Amplitude8(f) : Amplitude16(f)) < limit;
            if constexpr (Stereo) silent = silent && (Eight ? Amplitude8(f + second) : Amplitude16(f + second)) < limit;
            bits |= uint64_t(silent) << j;
        }
        mask[w] = bits;
    }
}

#if defined(__x86_64__)
// Packed layouts, 64 frames to a mask word. A sample is silent exactly when its
// amplitude, as an unsigned value (|-32768| is 32768, |0 - 128| is 128), is at
// most limit - 1: when the saturating difference is 0. A stereo frame is
// silent when its whole 16- or 32-bit lane is 0.

inline __m128i Excess16Sse2(const uint8_t* at, __m128i below) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return _mm_subs_epu16(_mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)), below);
}

inline __m128i Excess8Sse2(const uint8_t* at, __m128i below) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i centre = _mm_set1_epi8(char(0x80));
    return _mm_subs_epu8(_mm_max_epu8(_mm_subs_epu8(x, centre), _mm_subs_epu8(centre, x)), below);
}

// 16 frames: a 16-bit mask.
template <int Bits, bool Stereo>
inline uint32_t Group16Sse2(const uint8_t* at, __m128i below) {
    const __m128i zero = _mm_setzero_si128();
    if constexpr (Bits == 16 && Stereo) {
        const __m128i a = _mm_packs_epi32(_mm_cmpeq_epi32(Excess16Sse2(at, below), zero),
                                          _mm_cmpeq_epi32(Excess16Sse2(at + 16, below), zero));
        const __m128i b = _mm_packs_epi32(_mm_cmpeq_epi32(Excess16Sse2(at + 32, below), zero),
                                          _mm_cmpeq_epi32(Excess16Sse2(at + 48, below), zero));
        return uint32_t(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
    } else if constexpr (Bits == 16) {
        return uint32_t(_mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(Excess16Sse2(at, below), zero),
                                                          _mm_cmpeq_epi16(Excess16Sse2(at + 16, below), zero))));
    } else if constexpr (Stereo) {
        return uint32_t(_mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(Excess8Sse2(at, below), zero),
                                                          _mm_cmpeq_epi16(Excess8Sse2(at + 16, below), zero))));
    } else {
        return uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(Excess8Sse2(at, below), zero)));
    }
}

template <int Bits, bool Stereo>
std::size_t ClassifySse2(const uint8_t* p, std::size_t n, uint64_t* mask, int limit) {
    constexpr std::size_t frameBytes = (Bits / 8) * (Stereo ? 2 : 1);
    const __m128i below = Bits == 16 ? _mm_set1_epi16(int16_t(uint16_t(limit - 1))) : _mm_set1_epi8(char(limit - 1));
    const std::size_t words = n / 64;
    for (std::size_t w = 0; w < words; ++w) {
        const uint8_t* at = p + w * 64 * frameBytes;
        uint64_t bits = 0;
        for (int q = 0; q < 4; ++q)
            bits |= uint64_t(Group16Sse2<Bits, Stereo>(at + q * 16 * frameBytes, below)) << (16 * q);
        mask[w] = bits;
    }
    return words * 64;
}

QUILLON_AVX2 inline __m256i Excess16Avx2(const uint8_t* at, __m256i below) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    return _mm256_subs_epu16(_mm256_abs_epi16(x), below);
}

QUILLON_AVX2 inline __m256i Excess8Avx2(const uint8_t* at, __m256i below) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i centre = _mm256_set1_epi8(char(0x80));
    return _mm256_subs_epu8(_mm256_max_epu8(_mm256_subs_epu8(x, centre), _mm256_subs_epu8(centre, x)), below);
}

// 32 frames: a 32-bit mask. The packs work within 128-bit halves, so the
// frames come out in groups that one permutation puts back in order.
template <int Bits, bool Stereo>
QUILLON_AVX2 inline uint32_t Group32Avx2(const uint8_t* at, __m256i below) {
    const __m256i zero = _mm256_setzero_si256();
    if constexpr (Bits == 16 && Stereo) {
        const __m256i a = _mm256_packs_epi32(_mm256_cmpeq_epi32(Excess16Avx2(at, below), zero),
                                             _mm256_cmpeq_epi32(Excess16Avx2(at + 32, below), zero));
        const __m256i b = _mm256_packs_epi32(_mm256_cmpeq_epi32(Excess16Avx2(at + 64, below), zero),
                                             _mm256_cmpeq_epi32(Excess16Avx2(at + 96, below), zero));
        const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
        return uint32_t(_mm256_movemask_epi8(_mm256_permutevar8x32_epi32(_mm256_packs_epi16(a, b), order)));
    } else if constexpr (Bits == 16) {
        const __m256i packed = _mm256_packs_epi16(_mm256_cmpeq_epi16(Excess16Avx2(at, below), zero),
                                                  _mm256_cmpeq_epi16(Excess16Avx2(at + 32, below), zero));
        return uint32_t(_mm256_movemask_epi8(_mm256_permute4x64_epi64(packed, 0xD8)));
    } else if constexpr (Stereo) {
        const __m256i packed = _mm256_packs_epi16(_mm256_cmpeq_epi16(Excess8Avx2(at, below), zero),
                                                  _mm256_cmpeq_epi16(Excess8Avx2(at + 32, below), zero));
        return uint32_t(_mm256_movemask_epi8(_mm256_permute4x64_epi64(packed, 0xD8)));
    } else {
        return uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(Excess8Avx2(at, below), zero)));
    }
}

template <int Bits, bool Stereo>
QUILLON_AVX2 std::size_t ClassifyAvx2(const uint8_t* p, std::size_t n, uint64_t* mask, int limit) {
    constexpr std::size_t frameBytes = (Bits / 8) * (Stereo ? 2 : 1);
    const __m256i below = Bits == 16 ? _mm256_set1_epi16(int16_t(uint16_t(limit - 1)))
                                     : _mm256_set1_epi8(char(limit - 1));
    const std::size_t words = n / 64;
    for (std::size_t w = 0; w < words; ++w) {
        const uint8_t* at = p + w * 64 * frameBytes;
        mask[w] = uint64_t(Group32Avx2<Bits, Stereo>(at, below)) |
                  uint64_t(Group32Avx2<Bits, Stereo>(at + 32 * frameBytes, below)) << 32;
    }
    return words * 64;
}

inline void PutPeak(const ColumnPeaks& out, uint64_t column, uint16_t peak) {
    uint16_t& to = column == out.HeadColumn ? *out.Head : out.Columns[column];
    to = std::max(to, peak);
}

// Packed 16-bit frames judged as ClassifyAvx2 does, 32 at a time, while the
// amplitudes it makes are kept, column by column, for the level. A column
// holds at least 64 frames, so 32 frames cross at most one column edge; the
// vector that crosses it is split with a mask of its first lanes.
template <bool Stereo>
QUILLON_AVX2 std::size_t ClassifyPeaks16Avx2(const uint8_t* p, std::size_t n, uint64_t* mask, int limit, uint64_t first,
                                             const ColumnPeaks& out) {
    constexpr std::size_t frameBytes = Stereo ? 4 : 2;
    constexpr uint64_t vectorFrames = 32 / frameBytes;
    constexpr int vectors = Stereo ? 4 : 2;  // to 32 frames
    alignas(32) static const uint16_t kLanes[32] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                                    0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    const __m256i below = _mm256_set1_epi16(int16_t(uint16_t(limit - 1)));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const uint64_t columnFrames = out.ColumnFrames;
    uint64_t column = first / columnFrames;
    uint64_t next = (column + 1) * columnFrames;  // the first frame of the next column
    __m256i peak = zero;
    const std::size_t groups = n / 64 * 2;
    for (std::size_t g = 0; g < groups; ++g) {
        const uint8_t* at = p + g * 32 * frameBytes;
        __m256i a[vectors];
        __m256i silent[vectors];
        for (int i = 0; i < vectors; ++i) {
            a[i] = _mm256_abs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32 * i)));
            const __m256i excess = _mm256_subs_epu16(a[i], below);
            silent[i] = Stereo ? _mm256_cmpeq_epi32(excess, zero) : _mm256_cmpeq_epi16(excess, zero);
        }
        uint32_t bits;
        if constexpr (Stereo) {
            const __m256i packed = _mm256_packs_epi16(_mm256_packs_epi32(silent[0], silent[1]),
                                                      _mm256_packs_epi32(silent[2], silent[3]));
            bits = uint32_t(_mm256_movemask_epi8(_mm256_permutevar8x32_epi32(packed, order)));
        } else {
            const __m256i packed = _mm256_packs_epi16(silent[0], silent[1]);
            bits = uint32_t(_mm256_movemask_epi8(_mm256_permute4x64_epi64(packed, 0xD8)));
        }
        if (g % 2 == 0) mask[g / 2] = bits;
        else mask[g / 2] |= uint64_t(bits) << 32;

        const uint64_t frame = first + g * 32;
        if (frame + 32 <= next) {
            __m256i m = _mm256_max_epu16(a[0], a[1]);
            if constexpr (Stereo) m = _mm256_max_epu16(m, _mm256_max_epu16(a[2], a[3]));
            peak = _mm256_max_epu16(peak, m);
            continue;
        }
        for (int i = 0; i < vectors; ++i) {
            const uint64_t from = frame + uint64_t(i) * vectorFrames;
            if (from + vectorFrames <= next) {
                peak = _mm256_max_epu16(peak, a[i]);
            } else if (from == next) {
                PutPeak(out, column++, MaxLane16(peak));
                next += columnFrames;
                peak = a[i];
            } else {
                const std::size_t lanes = std::size_t(next - from) * (Stereo ? 2 : 1);
                const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLanes + 16 - lanes));
                PutPeak(out, column++, MaxLane16(_mm256_max_epu16(peak, _mm256_and_si256(a[i], before))));
                next += columnFrames;
                peak = _mm256_andnot_si256(before, a[i]);
            }
        }
    }
    if (groups > 0) PutPeak(out, column, MaxLane16(peak));
    return groups * 32;
}

template <int Bits, bool Stereo>
std::size_t (*PackedKernel(VectorLevel level))(const uint8_t*, std::size_t, uint64_t*, int) {
    if (level == VectorLevel::Avx2) return ClassifyAvx2<Bits, Stereo>;
    if (level == VectorLevel::Sse2) return ClassifySse2<Bits, Stereo>;
    return nullptr;
}
#endif

}  // namespace

VectorLevel UsableVectorLevel(VectorLevel level) {
#if defined(__x86_64__)
    // Every x86-64 processor has SSE2.
    static const VectorLevel best = __builtin_cpu_supports("avx2") ? VectorLevel::Avx2 : VectorLevel::Sse2;
    return level == VectorLevel::Best || level > best ? best : level;
#else
    (void)level;
    return VectorLevel::Portable;
#endif
}

FrameClassifier::FrameClassifier(const WaveFormat& format, int32_t amplitudePercent, VectorLevel level)
    : eightBit_(format.wBitsPerSample == 8),
      stereo_(format.nChannels != 1),
      stride_(format.nBlockAlign),
      limit_(AmplitudeLimit(eightBit_, amplitudePercent)) {
#if defined(__x86_64__)
    level = UsableVectorLevel(level);
    if (stride_ == TestedFrameBytes(format)) {
        if (eightBit_) vector_ = stereo_ ? PackedKernel<8, true>(level) : PackedKernel<8, false>(level);
        else vector_ = stereo_ ? PackedKernel<16, true>(level) : PackedKernel<16, false>(level);
        if (!eightBit_ && level == VectorLevel::Avx2)
            fused_ = stereo_ ? ClassifyPeaks16Avx2<true> : ClassifyPeaks16Avx2<false>;
    }
#else
    (void)level;
#endif
}

int AmplitudeLimit(bool eightBit, int32_t percent) {
    return eightBit ? IntegerLimit(double(percent) * 128 / 100, 128)
                    : IntegerLimit(double(percent) * 32767 / 100, 32768);
}

void FrameClassifier::Classify(const uint8_t* frames, std::size_t count, uint64_t* mask) const {
    if (limit_ == 0) {
        std::memset(mask, 0, (count + 63) / 64 * sizeof(uint64_t));
        return;
    }
    ClassifyRest(frames, count, mask, vector_ != nullptr ? vector_(frames, count, mask, limit_) : 0);
}

std::size_t FrameClassifier::ClassifyWithPeaks(const uint8_t* frames, std::size_t count, uint64_t* mask, uint64_t first,
                                               const ColumnPeaks& peaks) const {
    // With no frame silent (limit 0) the pass is still needed for the peaks.
    if (fused_ == nullptr || peaks.ColumnFrames < 64) {
        Classify(frames, count, mask);
        return 0;
    }
    const std::size_t done = fused_(frames, count, mask, std::max(limit_, 1), first, peaks);
    if (limit_ == 0) std::memset(mask, 0, done / 64 * sizeof(uint64_t));
    ClassifyRest(frames, count, mask, done);
    return done;
}

// Frame by frame from frame done (a multiple of 64) to the end.
void FrameClassifier::ClassifyRest(const uint8_t* frames, std::size_t count, uint64_t* mask, std::size_t done) const {
    const uint8_t* rest = frames + done * std::size_t(stride_);
    uint64_t* restMask = mask + done / 64;
    const std::size_t n = count - done;
    if (n == 0) return;
    if (limit_ == 0) {
        std::memset(restMask, 0, (n + 63) / 64 * sizeof(uint64_t));
        return;
    }
    if (eightBit_ && stereo_) ClassifyPortable<true, true>(rest, n, restMask, limit_, stride_);
    else if (eightBit_) ClassifyPortable<true, false>(rest, n, restMask, limit_, stride_);
    else if (stereo_) ClassifyPortable<false, true>(rest, n, restMask, limit_, stride_);
    else ClassifyPortable<false, false>(rest, n, restMask, limit_, stride_);
}

std::size_t FindBit(const uint64_t* mask, std::size_t count, std::size_t from, bool value) {
    std::size_t w = from / 64;
    const std::size_t words = (count + 63) / 64;
    if (w >= words) return count;
    uint64_t bits = (value ? mask[w] : ~mask[w]) & (~uint64_t(0) << (from % 64));
    while (bits == 0) {
        if (++w == words) return count;
        bits = value ? mask[w] : ~mask[w];
    }
    const std::size_t at = w * 64 + std::size_t(__builtin_ctzll(bits));
    return at < count ? at : count;
}

}  // namespace quillon::engine
