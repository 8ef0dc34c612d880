#include "analysis/FrameScan.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "analysis/VectorLanes.h"
#include "analysis/WideKernels.h"

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

// Wide integers: an amplitude a (0..fullScale + 1) is below percent *
// fullScale / 100 exactly when it is below the ceiling of that, computed
// exactly; clamped once every amplitude is below it.
uint64_t WideIntegerLimit(int32_t percent, uint64_t fullScale) {
    if (percent <= 0) return 0;
    return std::min((uint64_t(percent) * fullScale + 99) / 100, fullScale + 2);
}

// Floating point: |v| < percent / 100 and |v| <= 1.0 is |v| below this.
double FloatThreshold(int32_t percent) {
    if (percent <= 0) return 0;
    return std::min(double(percent) * 1.0 / 100, std::nextafter(1.0, 2.0));
}

// A float below a double t is below the least float at or above t.
uint64_t Float32Limit(int32_t percent) {
    const double t = FloatThreshold(percent);
    float f = float(t);
    if (double(f) < t) f = std::nextafter(f, 2.0f);
    return std::bit_cast<uint32_t>(f);
}

inline int Amplitude8(const uint8_t* s) {
    const int v = int(s[0]) - 128;
    return v < 0 ? -v : v;
}

inline int Amplitude16(const uint8_t* s) {
    const int v = int16_t(uint16_t(s[0] | s[1] << 8));
    return v < 0 ? -v : v;
}

inline void PutPeak(const ColumnPeaks& out, uint64_t column, uint16_t peak) {
    uint16_t& to = column == out.HeadColumn ? *out.Head : out.Columns[column];
    to = std::max(to, peak);
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
    : kind_(KindOf(format)),
      stereo_(format.nChannels != 1),
      packed_(format.nBlockAlign == TestedFrameBytes(format)),
      stride_(format.nBlockAlign),
      shift_(ValidShift(format)),
      limit_(AmplitudeLimit(format, amplitudePercent)) {
    level = UsableVectorLevel(level);
    if (kind_ == SampleKind::Unsigned8 || kind_ == SampleKind::Signed16) {
        ChooseClassicKernels(level);
    } else if (packed_) {
        wide_ = WideVectorKernel(kind_, stereo_, level);
        widePeaks_ = wide_ != nullptr && level == VectorLevel::Avx2;
    }
    if (widePeaks_) {
        segmentPeak_ = WidePeakKernel(kind_, true, level);
        map_.emplace(format);
    }
}

void FrameClassifier::ChooseClassicKernels(VectorLevel level) {
#if defined(__x86_64__)
    const bool eightBit = kind_ == SampleKind::Unsigned8;
    if (!packed_) return;
    if (eightBit) vector_ = stereo_ ? PackedKernel<8, true>(level) : PackedKernel<8, false>(level);
    else vector_ = stereo_ ? PackedKernel<16, true>(level) : PackedKernel<16, false>(level);
    if (!eightBit && level == VectorLevel::Avx2)
        fused_ = stereo_ ? ClassifyPeaks16Avx2<true> : ClassifyPeaks16Avx2<false>;
#else
    (void)level;
#endif
}

int AmplitudeLimit(bool eightBit, int32_t percent) {
    return eightBit ? IntegerLimit(double(percent) * 128 / 100, 128)
                    : IntegerLimit(double(percent) * 32767 / 100, 32768);
}

uint64_t AmplitudeLimit(const WaveFormat& format, int32_t percent) {
    switch (KindOf(format)) {
    case SampleKind::Unsigned8: return uint64_t(AmplitudeLimit(true, percent));
    case SampleKind::Signed16: return uint64_t(AmplitudeLimit(false, percent));
    case SampleKind::Signed24:
    case SampleKind::Signed32: return WideIntegerLimit(percent, uint64_t(FullScale(format)));
    case SampleKind::Float32: return Float32Limit(percent);
    case SampleKind::Float64: return std::bit_cast<uint64_t>(FloatThreshold(percent));
    }
    return 0;
}

void FrameClassifier::Classify(const uint8_t* frames, std::size_t count, uint64_t* mask) const {
    if (limit_ == 0) {
        std::memset(mask, 0, (count + 63) / 64 * sizeof(uint64_t));
        return;
    }
    std::size_t done = 0;
    if (vector_ != nullptr) done = vector_(frames, count, mask, int(limit_));
    else if (wide_ != nullptr) done = wide_(frames, count, mask, uint32_t(limit_ - 1), shift_, nullptr);
    ClassifyRest(frames, count, mask, done);
}

std::size_t FrameClassifier::ClassifyWithPeaks(const uint8_t* frames, std::size_t count, uint64_t* mask, uint64_t first,
                                               const ColumnPeaks& peaks) const {
    if (widePeaks_) return ClassifyWidePeaks(frames, count, mask, first, peaks);
    // With no frame silent (limit 0) the pass is still needed for the peaks.
    if (fused_ == nullptr || peaks.ColumnFrames < 64) {
        Classify(frames, count, mask);
        return 0;
    }
    const std::size_t done = fused_(frames, count, mask, std::max(int(limit_), 1), first, peaks);
    if (limit_ == 0) std::memset(mask, 0, done / 64 * sizeof(uint64_t));
    ClassifyRest(frames, count, mask, done);
    return done;
}

// The wide kernel over chunks of words, each word's peak kept; the words a
// column edge cuts are read again (at most 63 frames each side of the edge).
// A 24-bit kernel may stop a word short of a chunk's end (it never reads past
// it): the next chunk takes that word up.
std::size_t FrameClassifier::ClassifyWidePeaks(const uint8_t* frames, std::size_t count, uint64_t* mask, uint64_t first,
                                               const ColumnPeaks& peaks) const {
    constexpr std::size_t kChunkWords = 256;
    uint32_t wordPeaks[kChunkWords];
    const uint32_t below = limit_ == 0 ? 0 : uint32_t(limit_ - 1);
    std::size_t done = 0;
    while (true) {
        const std::size_t n = std::min(count - done, kChunkWords * 64);
        const std::size_t got = wide_(frames + done * std::size_t(stride_), n, mask + done / 64, below, shift_,
                                      wordPeaks);
        if (got == 0) break;
        PutWordPeaks(frames + done * std::size_t(stride_), got, wordPeaks, first + done, peaks);
        done += got;
    }
    if (limit_ == 0) std::memset(mask, 0, done / 64 * sizeof(uint64_t));
    ClassifyRest(frames, count, mask, done);
    return done;
}

// The peaks of count frames (whole words) column by column: whole words from
// their peaks, the parts of words cut by a column edge read again.
void FrameClassifier::PutWordPeaks(const uint8_t* frames, std::size_t count, const uint32_t* wordPeaks, uint64_t first,
                                   const ColumnPeaks& peaks) const {
    const auto segment = [&](std::size_t from, std::size_t to) {
        return to > from ? segmentPeak_(frames + from * std::size_t(stride_), to - from, stride_, stereo_, shift_) : 0;
    };
    for (std::size_t a = 0; a < count;) {
        const uint64_t column = (first + a) / peaks.ColumnFrames;
        const std::size_t b = std::size_t(std::min<uint64_t>(count, (column + 1) * peaks.ColumnFrames - first));
        const std::size_t wordsFrom = (a + 63) / 64, wordsTo = b / 64;
        uint64_t key = 0;
        if (wordsFrom > wordsTo) {
            key = segment(a, b);  // inside one word
        } else {
            for (std::size_t w = wordsFrom; w < wordsTo; ++w) key = std::max<uint64_t>(key, wordPeaks[w]);
            key = std::max({key, segment(a, wordsFrom * 64), segment(wordsTo * 64, b)});
        }
        PutPeak(peaks, column, (*map_)(key));
        a = b;
    }
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
    const int limit = int(limit_);
    if (kind_ == SampleKind::Unsigned8 && stereo_) ClassifyPortable<true, true>(rest, n, restMask, limit, stride_);
    else if (kind_ == SampleKind::Unsigned8) ClassifyPortable<true, false>(rest, n, restMask, limit, stride_);
    else if (kind_ != SampleKind::Signed16)
        ClassifyWideFrames(kind_, stereo_, rest, n, restMask, limit_, stride_, shift_);
    else if (stereo_) ClassifyPortable<false, true>(rest, n, restMask, limit, stride_);
    else ClassifyPortable<false, false>(rest, n, restMask, limit, stride_);
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
