#include "analysis/FrameScan.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// 16-bit samples, packed frames: 16 frames a step. |x| as an unsigned 16-bit
// value (-32768 gives 32768) is at most limit - 1 exactly when the saturating
// difference is 0.
template <bool Stereo>
std::size_t Classify16Sse2(const uint8_t* p, std::size_t n, uint64_t* mask, int limit) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i below = _mm_set1_epi16(int16_t(uint16_t(limit - 1)));
    auto silentLanes = [&](const uint8_t* at) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i a = _mm_max_epi16(x, _mm_sub_epi16(zero, x));
        return _mm_cmpeq_epi16(_mm_subs_epu16(a, below), zero);
    };
    // Both samples of each 32-bit frame silent, as a 0 / -1 32-bit lane.
    auto bothSilent = [](__m128i s) { return _mm_srai_epi32(_mm_and_si128(s, _mm_slli_epi32(s, 16)), 16); };
    const std::size_t steps = n / 64;
    for (std::size_t w = 0; w < steps; ++w) {
        uint64_t bits = 0;
        for (int q = 0; q < 4; ++q) {
            const uint8_t* at = p + (w * 64 + std::size_t(q) * 16) * (Stereo ? 4 : 2);
            __m128i bytes;
            if constexpr (Stereo) {
                const __m128i a = _mm_packs_epi32(bothSilent(silentLanes(at)), bothSilent(silentLanes(at + 16)));
                const __m128i b = _mm_packs_epi32(bothSilent(silentLanes(at + 32)), bothSilent(silentLanes(at + 48)));
                bytes = _mm_packs_epi16(a, b);
            } else {
                bytes = _mm_packs_epi16(silentLanes(at), silentLanes(at + 16));
            }
            bits |= uint64_t(uint16_t(_mm_movemask_epi8(bytes))) << (16 * q);
        }
        mask[w] = bits;
    }
    return steps * 64;
}
#endif

}  // namespace

FrameClassifier::FrameClassifier(const WaveFormat& format, int32_t amplitudePercent)
    : eightBit_(format.wBitsPerSample == 8),
      stereo_(format.nChannels != 1),
      stride_(format.nBlockAlign),
      limit_(AmplitudeLimit(eightBit_, amplitudePercent)) {}

int AmplitudeLimit(bool eightBit, int32_t percent) {
    return eightBit ? IntegerLimit(double(percent) * 128 / 100, 128)
                    : IntegerLimit(double(percent) * 32767 / 100, 32768);
}

void FrameClassifier::Classify(const uint8_t* frames, std::size_t count, uint64_t* mask) const {
    if (limit_ == 0) {
        std::memset(mask, 0, (count + 63) / 64 * sizeof(uint64_t));
        return;
    }
    std::size_t done = 0;
#if defined(__SSE2__)
    if (!eightBit_ && stride_ == (stereo_ ? 4 : 2))
        done = stereo_ ? Classify16Sse2<true>(frames, count, mask, limit_)
                       : Classify16Sse2<false>(frames, count, mask, limit_);
#endif
    const uint8_t* rest = frames + done * std::size_t(stride_);
    uint64_t* restMask = mask + done / 64;
    const std::size_t n = count - done;
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
