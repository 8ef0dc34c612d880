#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "analysis/PeakPyramid.h"

namespace quillon::test {
namespace {

using engine::PeakPyramid;

// Column counts of every shape (empty, odd at some level, powers of two and
// one past), each asked for many ranges, empty ones and ones past the end too.
TEST(PeakPyramid, GivesTheLargestPeakOfEveryRange) {
    std::mt19937 random(11);
    for (const std::size_t n : {0, 1, 2, 3, 5, 8, 37, 1024, 1025, 3001}) {
        std::vector<uint16_t> peaks(n);
        for (uint16_t& p : peaks) p = uint16_t(random() % 65536);
        const PeakPyramid pyramid(peaks);
        for (int i = 0; i < 3000; ++i) {
            const std::size_t from = random() % (n + 2);
            const std::size_t to = from + random() % (n / (1 + random() % 16) + 3);
            const std::size_t end = std::min(to, n);
            const uint16_t expected = from < end
                                          ? *std::max_element(peaks.begin() + long(from), peaks.begin() + long(end))
                                          : 0;
            ASSERT_EQ(pyramid.RangeMax(from, to), expected) << n << " columns, [" << from << ", " << to << ")";
        }
    }
}

}  // namespace
}  // namespace quillon::test
