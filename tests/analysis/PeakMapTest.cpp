#include "analysis/PeakMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <vector>

#include "analysis/FrameScan.h"
#include "analysis/SampleAmplitude.h"
#include "analysis/SilenceDetect.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace engine;

// A mono frame whose sample has this key: integers negative (only they reach
// 2^(valid bits - 1)), floats as the key's bits.
Bytes FrameOfKey(const WaveFormat& f, uint64_t key) {
    const uint64_t bits = IsFloatKind(KindOf(f)) ? key : uint64_t(-int64_t(key)) << ValidShift(f);
    Bytes frame;
    for (int b = 0; b < SampleBytes(f); ++b) frame.push_back(uint8_t(bits >> (8 * b)));
    return frame;
}

// For every wide layout, keys at and beside every percentage's limit, the
// extremes, infinity and NaN: at every whole percentage p, a key maps below
// the 16-bit limit exactly when a sample of that key is silent at p, as
// IsSilentFrame judges it; and larger keys never map lower.
TEST(PeakMap, IsExactAtEveryWholePercentageAndMonotone) {
    const struct {
        const char* name;
        Bytes fmt;
    } layouts[] = {
        {"24-bit", FmtBody(Format{1, 1, 48000, 24})},
        {"20 of 24 bits", ExtensibleFmtBody(1, 48000, 24, 20, 1)},
        {"4 of 24 bits: percentages share limits", ExtensibleFmtBody(1, 48000, 24, 4, 1)},
        {"32-bit", FmtBody(Format{1, 1, 48000, 32})},
        {"24 of 32 bits", ExtensibleFmtBody(1, 48000, 32, 24, 1)},
        {"float", FmtBody(Format{3, 1, 48000, 32})},
        {"double", FmtBody(Format{3, 1, 48000, 64})},
    };
    for (const auto& l : layouts) {
        SCOPED_TRACE(l.name);
        WaveFormat f;
        ASSERT_EQ(ParseFormatChunk(l.fmt.data(), l.fmt.size(), f), FormatVerdict::Wide);
        const bool isFloat = IsFloatKind(KindOf(f));
        const uint64_t infinity = NanKeysAbove(KindOf(f));
        const uint64_t top = isFloat ? infinity + 1 : uint64_t(FullScale(f)) + 1;  // a NaN, or -2^(bits - 1)
        std::vector<uint64_t> keys = {0, top, isFloat ? infinity : top - 1};
        for (int32_t p = 0; p <= 100; ++p) {
            const uint64_t limit = AmplitudeLimit(f, p);
            for (const uint64_t key : {limit - 1, limit, limit + 1})
                if (key <= top) keys.push_back(key);
        }
        std::sort(keys.begin(), keys.end());
        const PeakMap map(f);
        uint16_t previous = 0;
        for (const uint64_t key : keys) {
            const uint16_t mapped = map(key);
            EXPECT_GE(mapped, previous) << "key " << key;
            previous = mapped;
            const Bytes frame = FrameOfKey(f, key);
            for (int32_t p = 0; p <= 100; ++p) {
                ASSERT_EQ(mapped < AmplitudeLimit(false, p), IsSilentFrame(frame.data(), f, p))
                    << "key " << key << " mapped to " << mapped << " at " << p << " %";
            }
        }
        const uint64_t one = KindOf(f) == SampleKind::Float32 ? std::bit_cast<uint32_t>(1.0f)
                                                              : std::bit_cast<uint64_t>(1.0);
        EXPECT_EQ(map(top), isFloat ? 65535 : 32768);
        EXPECT_EQ(map(isFloat ? one : top - 1), 32768) << "full scale";
    }
}

}  // namespace
}  // namespace quillon::test
