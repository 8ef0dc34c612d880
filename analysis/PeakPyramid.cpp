#include "analysis/PeakPyramid.h"

#include <algorithm>

namespace quillon::engine {

PeakPyramid::PeakPyramid(std::span<const uint16_t> peaks) : peaks_(peaks) {
    upper_.reserve(peaks.size());
    std::size_t below = 0;  // where the level being halved begins (in upper_ above level 0)
    for (std::size_t level = 0, size = peaks.size(); size > 1; ++level, size = (size + 1) / 2) {
        starts_.push_back(upper_.size());
        for (std::size_t i = 0; i < size; i += 2) {
            const uint16_t left = level == 0 ? peaks[i] : upper_[below + i];
            const uint16_t right = i + 1 < size ? (level == 0 ? peaks[i + 1] : upper_[below + i + 1]) : 0;
            upper_.push_back(std::max(left, right));
        }
        below = starts_.back();
    }
}

uint16_t PeakPyramid::At(std::size_t level, std::size_t i) const {
    return level == 0 ? peaks_[i] : upper_[starts_[level - 1] + i];
}

uint16_t PeakPyramid::RangeMax(std::size_t from, std::size_t to) const {
    to = std::min(to, peaks_.size());
    uint16_t best = 0;
    // Take the odd entry at either end of the range, then climb a level: each
    // level adds at most two entries, and the range halves.
    for (std::size_t level = 0; from < to; ++level, from /= 2, to /= 2) {
        if (from % 2 != 0) best = std::max(best, At(level, from++));
        if (to % 2 != 0) best = std::max(best, At(level, --to));
    }
    return best;
}

}  // namespace quillon::engine
