#include "analysis/LevelOverview.h"

#include <algorithm>

#include "analysis/VectorLanes.h"

namespace quillon::engine {
namespace {

inline uint16_t Amplitude(const uint8_t* s, bool eightBit) {
    const int v = eightBit ? int(s[0]) - 128 : int(int16_t(uint16_t(s[0] | s[1] << 8)));
    return uint16_t(v < 0 ? -v : v);
}

// Any layout, frame by frame: the first sample, and the second unless mono.
template <bool Eight>
uint16_t PeakPortable(const uint8_t* p, std::size_t count, int stride, bool stereo) {
    constexpr int second = Eight ? 1 : 2;
    uint16_t peak = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* f = p + i * std::size_t(stride);
        peak = std::max(peak, Amplitude(f, Eight));
        if (stereo) peak = std::max(peak, Amplitude(f + second, Eight));
    }
    return peak;
}

#if defined(__x86_64__)
// Packed layouts, where every sample is a tested one: the largest amplitude of
// the bytes, a vector at a time. A last partial vector is read as the vector
// that ends with the bytes; it overlaps the one before, which a maximum allows.

inline __m128i MaxU16Sse2(__m128i a, __m128i b) { return _mm_add_epi16(_mm_subs_epu16(a, b), b); }

template <bool Eight>
uint16_t PeakSse2(const uint8_t* p, std::size_t count, int stride, bool stereo) {
    const std::size_t bytes = count * std::size_t(stride);
    if (bytes < 16) return PeakPortable<Eight>(p, count, stride, stereo);
    const auto load = [p](std::size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)); };
    __m128i acc = _mm_setzero_si128();
    if constexpr (Eight) {
        const __m128i centre = _mm_set1_epi8(char(0x80));
        const auto amplitude = [centre](__m128i x) {
            return _mm_max_epu8(_mm_subs_epu8(x, centre), _mm_subs_epu8(centre, x));
        };
        std::size_t i = 0;
        for (; i + 16 <= bytes; i += 16) acc = _mm_max_epu8(acc, amplitude(load(i)));
        if (i < bytes) acc = _mm_max_epu8(acc, amplitude(load(bytes - 16)));
        acc = _mm_max_epu8(acc, _mm_srli_si128(acc, 8));
        acc = _mm_max_epu8(acc, _mm_srli_si128(acc, 4));
        acc = _mm_max_epu8(acc, _mm_srli_si128(acc, 2));
        acc = _mm_max_epu8(acc, _mm_srli_si128(acc, 1));
        return uint16_t(_mm_cvtsi128_si32(acc) & 0xFF);
    } else {
        // max(x, -x) is |x|, and -32768 as an unsigned value is 32768.
        const auto amplitude = [](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); };
        std::size_t i = 0;
        for (; i + 16 <= bytes; i += 16) acc = MaxU16Sse2(acc, amplitude(load(i)));
        if (i < bytes) acc = MaxU16Sse2(acc, amplitude(load(bytes - 16)));
        acc = MaxU16Sse2(acc, _mm_srli_si128(acc, 8));
        acc = MaxU16Sse2(acc, _mm_srli_si128(acc, 4));
        acc = MaxU16Sse2(acc, _mm_srli_si128(acc, 2));
        return uint16_t(_mm_cvtsi128_si32(acc) & 0xFFFF);
    }
}

QUILLON_AVX2 inline __m256i Amplitude8Avx2(__m256i x) {
    const __m256i centre = _mm256_set1_epi8(char(0x80));
    return _mm256_max_epu8(_mm256_subs_epu8(x, centre), _mm256_subs_epu8(centre, x));
}

QUILLON_AVX2 inline __m256i LoadAvx2(const uint8_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

template <bool Eight>
QUILLON_AVX2 uint16_t PeakAvx2(const uint8_t* p, std::size_t count, int stride, bool stereo) {
    const std::size_t bytes = count * std::size_t(stride);
    if (bytes < 32) return PeakSse2<Eight>(p, count, stride, stereo);
    __m256i acc = _mm256_setzero_si256();
    std::size_t i = 0;
    if constexpr (Eight) {
        for (; i + 32 <= bytes; i += 32) acc = _mm256_max_epu8(acc, Amplitude8Avx2(LoadAvx2(p + i)));
        if (i < bytes) acc = _mm256_max_epu8(acc, Amplitude8Avx2(LoadAvx2(p + bytes - 32)));
        const __m128i half = _mm_max_epu8(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        const __m128i zero = _mm_setzero_si128();
        return MaxLane16(_mm_max_epu16(_mm_unpacklo_epi8(half, zero), _mm_unpackhi_epi8(half, zero)));
    } else {
        // |-32768| comes out as 0x8000, which is 32768 unsigned.
        __m256i acc2 = _mm256_setzero_si256();
        for (; i + 64 <= bytes; i += 64) {
            acc = _mm256_max_epu16(acc, _mm256_abs_epi16(LoadAvx2(p + i)));
            acc2 = _mm256_max_epu16(acc2, _mm256_abs_epi16(LoadAvx2(p + i + 32)));
        }
        for (; i + 32 <= bytes; i += 32) acc = _mm256_max_epu16(acc, _mm256_abs_epi16(LoadAvx2(p + i)));
        if (i < bytes) acc = _mm256_max_epu16(acc, _mm256_abs_epi16(LoadAvx2(p + bytes - 32)));
        acc = _mm256_max_epu16(acc, acc2);
        return MaxLane16(acc);
    }
}
#endif

}  // namespace

double LevelOverview::ColumnMs() const { return SamplesPerSec == 0 ? 0 : double(ColumnFrames) * 1000 / SamplesPerSec; }

double LevelOverview::Percent(uint16_t peak) const { return double(peak) * 100 / (EightBit ? 128 : 32767); }

uint32_t OverviewColumnFrames(uint32_t samplesPerSec, uint64_t totalFrames) {
    uint64_t frames = std::max<uint32_t>(1, samplesPerSec / 100);
    while ((totalFrames + frames - 1) / frames > kMaxOverviewColumns) frames *= 2;
    return uint32_t(std::min<uint64_t>(frames, UINT32_MAX));
}

PeakScanner::PeakScanner(const WaveFormat& format, uint32_t columnFrames, VectorLevel level)
    : columnFrames_(std::max<uint32_t>(1, columnFrames)),
      stride_(format.nBlockAlign),
      stereo_(format.nChannels != 1),
      shift_(ValidShift(format)),
      segment_(KindOf(format) == SampleKind::Unsigned8 ? PeakPortable<true> : PeakPortable<false>) {
    level = UsableVectorLevel(level);
    const bool packed = stride_ == TestedFrameBytes(format);
    const SampleKind kind = KindOf(format);
    if (kind != SampleKind::Unsigned8 && kind != SampleKind::Signed16) {
        wideSegment_ = WidePeakKernel(kind, packed, level);
        map_.emplace(format);
        return;
    }
#if defined(__x86_64__)
    if (packed && level != VectorLevel::Portable) {
        const bool eight = kind == SampleKind::Unsigned8;
        if (level == VectorLevel::Avx2) segment_ = eight ? PeakAvx2<true> : PeakAvx2<false>;
        else segment_ = eight ? PeakSse2<true> : PeakSse2<false>;
    }
#endif
}

uint16_t PeakScanner::Peak(const uint8_t* frames, std::size_t count) const {
    if (wideSegment_ == nullptr) return segment_(frames, count, stride_, stereo_);
    return (*map_)(wideSegment_(frames, count, stride_, stereo_, shift_));
}

void PeakScanner::Feed(uint64_t first, const uint8_t* frames, std::size_t count, uint16_t* peaks, uint64_t firstColumn,
                       std::size_t columns) const {
    std::size_t i = 0;
    while (i < count) {
        const uint64_t frame = first + i;
        const uint64_t column = frame / columnFrames_;
        if (column < firstColumn) {  // frames before the first column given are skipped
            i += std::size_t(std::min<uint64_t>(count - i, firstColumn * columnFrames_ - frame));
            continue;
        }
        if (column - firstColumn >= columns) return;
        const std::size_t n = std::size_t(std::min<uint64_t>(count - i, (column + 1) * columnFrames_ - frame));
        uint16_t& peak = peaks[column - firstColumn];
        peak = std::max(peak, Peak(frames + i * std::size_t(stride_), n));
        i += n;
    }
}

OverviewBuilder::OverviewBuilder(const WaveFormat& format, uint64_t totalFrames, VectorLevel level)
    : scanner_(format, OverviewColumnFrames(format.nSamplesPerSec, totalFrames), level) {
    overview_.SamplesPerSec = format.nSamplesPerSec;
    overview_.ColumnFrames = scanner_.ColumnFrames();
    overview_.EightBit = KindOf(format) == SampleKind::Unsigned8;
    overview_.Peaks.assign(std::size_t((totalFrames + overview_.ColumnFrames - 1) / overview_.ColumnFrames), 0);
}

void OverviewBuilder::Feed(uint64_t first, const uint8_t* frames, std::size_t count) {
    scanner_.Feed(first, frames, count, overview_.Peaks.data(), 0, overview_.Peaks.size());
}

void OverviewBuilder::MergeColumns(uint64_t firstColumn, const uint16_t* peaks, std::size_t count) {
    if (firstColumn >= overview_.Peaks.size()) return;
    const std::size_t n = std::min<std::size_t>(count, overview_.Peaks.size() - std::size_t(firstColumn));
    uint16_t* to = overview_.Peaks.data() + firstColumn;
    for (std::size_t c = 0; c < n; ++c) to[c] = std::max(to[c], peaks[c]);
}

LevelOverview OverviewBuilder::Finish(uint64_t framesScanned) {
    overview_.TotalFrames = framesScanned;
    const std::size_t columns = std::size_t((framesScanned + overview_.ColumnFrames - 1) / overview_.ColumnFrames);
    if (columns < overview_.Peaks.size()) overview_.Peaks.resize(columns);
    return std::move(overview_);
}

std::vector<QuietStretch> QuietStretches(const LevelOverview& overview, int limit) {
    std::vector<QuietStretch> stretches;
    const std::size_t n = overview.Peaks.size();
    for (std::size_t c = 0; c < n;) {
        if (overview.Peaks[c] >= limit) {
            ++c;
            continue;
        }
        const std::size_t start = c;
        while (c < n && overview.Peaks[c] < limit) ++c;
        if (c == n) break;  // still open at the end
        stretches.push_back({overview.ColumnStart(start), overview.ColumnStart(c) - overview.ColumnStart(start)});
    }
    return stretches;
}

}  // namespace quillon::engine
