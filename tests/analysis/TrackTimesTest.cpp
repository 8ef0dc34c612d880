#include <gtest/gtest.h>

#include <cmath>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"

namespace quillon::test {
namespace {

using namespace engine;

WaveFormat AtRate(uint32_t rate) {
    WaveFormat f;
    f.nSamplesPerSec = rate;
    return f;
}

TEST(TrackTimes, FormatTimeAndBack) {
    const struct {
        uint32_t ms;
        const char* text;
    } cases[] = {
        {0, "00:00:000"},      {59999, "00:59:999"},    {60000, "01:00:000"},
        {187250, "03:07:250"}, {6000000, "100:00:000"}, {4294967295u, "71582:47:295"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTime(c.ms), c.text);
        EXPECT_EQ(uint32_t(TimeTextToMs(c.text)), c.ms) << c.text;
    }
}

TEST(TrackTimes, PaddingNeverCuts) {
    EXPECT_EQ(IntToPadded(7, 4), "0007");
    EXPECT_EQ(IntToPadded(12345, 4), "12345");
    EXPECT_EQ(PadZeros("123", 2), "123");
    EXPECT_EQ(PadZeros("", 3), "000");
}

TEST(TrackTimes, ParsesLooseTextPieceByPiece) {
    const struct {
        const char* text;
        int32_t ms;
    } cases[] = {
        {"3:7:250", 187250},
        {"00:00:1000", 1000},  // the milliseconds piece runs to the end, whatever its length
        {"-1:00:000", -60000},
        {"00:90:000", 90000},
    };
    for (const auto& c : cases) EXPECT_EQ(TimeTextToMs(c.text), c.ms) << c.text;
}

TEST(TrackTimes, BadTextRaisesTheIntegerConversionError) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"03:07", "'' is not a valid integer value"},
        {"0307250", "'' is not a valid integer value"},
        {"ab:07:250", "'ab' is not a valid integer value"},
        {"03:07:25x", "'25x' is not a valid integer value"},
        {"03:7 :250", "'7 ' is not a valid integer value"},
        {"99999999999:00:000", "'99999999999' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        try {
            (void)TimeTextToMs(c.text);
            ADD_FAILURE() << c.text << " was accepted";
        } catch (const ConvertError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(TrackTimes, MaskedTimeTakesFixedPositions) {
    EXPECT_EQ(MaskedTimeToMs("0307250"), 187250);
    EXPECT_EQ(MaskedTimeToMs("0099000"), 99000);
    EXPECT_EQ(MaskedTimeToMs("9959999"), 99 * 60000 + 59999);
    EXPECT_THROW((void)MaskedTimeToMs("03 7250"), ConvertError);
    EXPECT_THROW((void)MaskedTimeToMs("0307"), ConvertError);
}

TEST(TrackTimes, MinSecToMsAddsToTheBase) {
    EXPECT_EQ(MinSecToMs(0, 5, 0), 5000);
    EXPECT_EQ(MinSecToMs(3, 7, 250), 187250);
    EXPECT_EQ(MinSecToMs(40000, 0, 0), int32_t(uint32_t(40000u * 60000u))) << "wraps like 32-bit arithmetic";
}

TEST(TrackTimes, ConvertPositionRoundsHalfToEven) {
    const struct {
        uint32_t value;
        int from, to;
        uint32_t rate;
        uint32_t expected;
    } cases[] = {
        {44100, UnitFrames, UnitMilliseconds, 44100, 1000},
        {1000, UnitMilliseconds, UnitFrames, 44100, 44100},
        {4, UnitFrames, UnitMilliseconds, 8000, 0},    // 0.5 ms
        {12, UnitFrames, UnitMilliseconds, 8000, 2},   // 1.5 ms
        {20, UnitFrames, UnitMilliseconds, 8000, 2},   // 2.5 ms
        {28, UnitFrames, UnitMilliseconds, 8000, 4},   // 3.5 ms
        {1, UnitMilliseconds, UnitFrames, 11025, 11},  // 11.025
        {3, UnitMilliseconds, UnitFrames, 22050, 66},  // 66.15
        {7, UnitFrames, UnitFrames, 44100, 7},
        {7, UnitMilliseconds, UnitMilliseconds, 44100, 7},
        {7, UnitFrames, 2, 44100, 0},
        {7, 5, UnitMilliseconds, 44100, 0},
        {1000, UnitFrames, UnitMilliseconds, 0, 0},  // a zero rate has no meaning
        // 4294967295 ms at 48 kHz: the low 32 bits of 206158430160 frames
        {4294967295u, UnitMilliseconds, UnitFrames, 48000, uint32_t(206158430160ull & 0xFFFFFFFFu)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertPosition(c.value, c.from, c.to, AtRate(c.rate)), c.expected)
            << c.value << " " << c.from << "->" << c.to << " at " << c.rate;
    }
}

// Counts past 32 bits keep their high bits; below them, ConvertPosition's
// answer (in its low 32 bits where that wraps).
TEST(TrackTimes, FramesToMsCountsPast32Bits) {
    const struct {
        uint64_t frames;
        uint32_t rate;
        uint64_t expected;
    } cases[] = {
        {20, 8000, 2},  // 2.5 ms, half to even
        {28, 8000, 4},
        {44100, 44100, 1000},
        {4294967295u, 1, 4294967295000u},                // ConvertPosition wraps this
        {(uint64_t(1) << 32) + 96000, 96000, 44740243},  // 12.4 hours
        {uint64_t(1) << 40, 192000, 5726623061},
        {1000, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FramesToMs(c.frames, AtRate(c.rate)), c.expected) << c.frames << " at " << c.rate;
        if (c.frames <= UINT32_MAX) {
            EXPECT_EQ(uint32_t(FramesToMs(c.frames, AtRate(c.rate))),
                      ConvertPosition(uint32_t(c.frames), UnitFrames, UnitMilliseconds, AtRate(c.rate)));
        }
    }
}

TEST(TrackTimes, RoundToLow32KeepsTwosComplementOfNegatives) {
    EXPECT_EQ(RoundToLow32(-132300.0), uint32_t(-132300));
    EXPECT_EQ(RoundToLow32(2.5), 2u);
    EXPECT_EQ(RoundToLow32(3.5), 4u);
    EXPECT_EQ(RoundToLow32(4294967296.0 + 5), 5u);
    EXPECT_EQ(RoundToLow32(std::nan("")), 0u);
}

}  // namespace
}  // namespace quillon::test
