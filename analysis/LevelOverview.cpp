#include "analysis/LevelOverview.h"

#include <algorithm>

namespace quillon::engine {
namespace {

inline uint16_t Amplitude(const uint8_t* s, bool eightBit) {
    const int v = eightBit ? int(s[0]) - 128 : int(int16_t(uint16_t(s[0] | s[1] << 8)));
    return uint16_t(v < 0 ? -v : v);
}

}  // namespace

double LevelOverview::ColumnMs() const { return SamplesPerSec == 0 ? 0 : double(ColumnFrames) * 1000 / SamplesPerSec; }

double LevelOverview::Percent(uint16_t peak) const { return double(peak) * 100 / (EightBit ? 128 : 32767); }

uint32_t OverviewColumnFrames(uint32_t samplesPerSec, uint64_t totalFrames) {
    uint64_t frames = std::max<uint32_t>(1, samplesPerSec / 100);
    while ((totalFrames + frames - 1) / frames > kMaxOverviewColumns) frames *= 2;
    return uint32_t(std::min<uint64_t>(frames, UINT32_MAX));
}

OverviewBuilder::OverviewBuilder(const WaveFormat& format, uint64_t totalFrames)
    : stride_(format.nBlockAlign), tested_(format.nChannels == 1 ? 1 : 2) {
    overview_.SamplesPerSec = format.nSamplesPerSec;
    overview_.ColumnFrames = OverviewColumnFrames(format.nSamplesPerSec, totalFrames);
    overview_.EightBit = format.wBitsPerSample == 8;
    overview_.Peaks.assign(std::size_t((totalFrames + overview_.ColumnFrames - 1) / overview_.ColumnFrames), 0);
}

void OverviewBuilder::Feed(uint64_t first, const uint8_t* frames, std::size_t count) {
    const bool eight = overview_.EightBit;
    const int second = eight ? 1 : 2;
    const uint64_t columnFrames = overview_.ColumnFrames;
    std::size_t i = 0;
    while (i < count) {
        const uint64_t frame = first + i;
        const std::size_t column = std::size_t(frame / columnFrames);
        if (column >= overview_.Peaks.size()) return;
        const std::size_t end = std::min<std::size_t>(count, std::size_t(i + (column + 1) * columnFrames - frame));
        uint16_t peak = overview_.Peaks[column];
        for (; i < end; ++i) {
            const uint8_t* f = frames + i * std::size_t(stride_);
            peak = std::max(peak, Amplitude(f, eight));
            if (tested_ == 2) peak = std::max(peak, Amplitude(f + second, eight));
        }
        overview_.Peaks[column] = peak;
    }
}

void OverviewBuilder::Merge(const OverviewBuilder& other) {
    const std::size_t n = std::min(overview_.Peaks.size(), other.overview_.Peaks.size());
    for (std::size_t c = 0; c < n; ++c) overview_.Peaks[c] = std::max(overview_.Peaks[c], other.overview_.Peaks[c]);
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
