#pragma once
// The largest peak of any run of an overview's columns in logarithmic time, so
// a view of the whole recording draws in time that does not grow with its
// length. Level k holds the largest of each 2^k columns (the last entry of a
// level those that are left); the levels above the columns take about as many
// entries as there are columns.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillon::engine {

class PeakPyramid {
public:
    PeakPyramid() = default;
    // Built in linear time over peaks, which are borrowed, not copied: they
    // must stay alive and unchanged while the pyramid is asked (an overview's
    // Peaks, kept beside it).
    explicit PeakPyramid(std::span<const uint16_t> peaks);

    // The largest peak of columns [from, to), exact; to is clamped to the
    // column count, and an empty range gives 0.
    [[nodiscard]] uint16_t RangeMax(std::size_t from, std::size_t to) const;
    [[nodiscard]] std::size_t Columns() const { return peaks_.size(); }

private:
    [[nodiscard]] uint16_t At(std::size_t level, std::size_t i) const;

    std::span<const uint16_t> peaks_;
    std::vector<uint16_t> upper_;      // levels 1, 2, ... one after the other
    std::vector<std::size_t> starts_;  // where level k + 1 begins in upper_
};

}  // namespace quillon::engine
