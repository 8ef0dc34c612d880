#include "analysis/StretchEdges.h"

#include <algorithm>
#include <vector>

#include "analysis/SilenceDetect.h"
#include "platform/FileView.h"

namespace quillon::engine {

StretchEdges::StretchEdges(int fd, int64_t dataOffset, const WaveFormat& format, const LevelOverview& overview)
    : fd_(fd), dataOffset_(dataOffset), format_(format), overview_(overview) {}

uint64_t StretchEdges::SilentFrames(uint64_t first, uint64_t count, bool back, int32_t percent) const {
    const std::size_t align = format_.nBlockAlign;
    std::vector<uint8_t> frames(std::size_t(count) * align);
    const int64_t bytes = int64_t(frames.size());
    if (platform::ReadAt(fd_, dataOffset_ + int64_t(first * align), frames.data(), bytes) != bytes) return 0;
    uint64_t silent = 0;
    for (; silent < count; ++silent) {
        const uint64_t i = back ? count - 1 - silent : silent;
        if (!IsSilentFrame(frames.data() + i * align, format_, percent)) break;
    }
    return silent;
}

QuietStretch StretchEdges::Exact(const QuietStretch& s, int32_t percent) const {
    const uint64_t column = overview_.ColumnFrames;
    const uint64_t before = std::min<uint64_t>(column, s.StartFrame);
    const uint64_t end = s.StartFrame + s.Frames;
    const uint64_t after = std::min<uint64_t>(column, overview_.TotalFrames - std::min(end, overview_.TotalFrames));
    const uint64_t earlier = before == 0 ? 0 : SilentFrames(s.StartFrame - before, before, true, percent);
    const uint64_t later = after == 0 ? 0 : SilentFrames(end, after, false, percent);
    return {s.StartFrame - earlier, s.Frames + earlier + later};
}

}  // namespace quillon::engine
