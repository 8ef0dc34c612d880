#pragma once
// The exact silence behind a quiet stretch of the level overview. A stretch
// of whole quiet columns is part of a run of silent frames that may reach
// into the loud column on either side (by less than a column, as that column
// holds a loud frame); those two columns are read from the data chunk and
// judged frame by frame, so a figure read off the overview can be given to
// the frame, as the scan would find it.

#include <cstdint>

#include "analysis/LevelOverview.h"
#include "analysis/WaveFormat.h"

namespace quillon::engine {

class StretchEdges {
public:
    // fd: the open recording; its data chunk starts at dataOffset and holds
    // frames of format; overview is the one the scan gathered from it.
    StretchEdges(int fd, int64_t dataOffset, const WaveFormat& format, const LevelOverview& overview);

    // The run of frames silent at percent that holds the stretch s (one that
    // QuietStretches gave for percent's limit); s itself where a read fails.
    [[nodiscard]] QuietStretch Exact(const QuietStretch& s, int32_t percent) const;

private:
    // How many frames from first on (backwards when back) are silent, at most count.
    [[nodiscard]] uint64_t SilentFrames(uint64_t first, uint64_t count, bool back, int32_t percent) const;

    int fd_;
    int64_t dataOffset_;
    WaveFormat format_;
    const LevelOverview& overview_;
};

}  // namespace quillon::engine
