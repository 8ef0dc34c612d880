#pragma once
// Track time notation mm:ss:mmm and the conversions between time text,
// milliseconds and sample frames. Minutes have at least two digits and may
// have more (100:00:000); seconds two; milliseconds three.

#include <cstdint>
#include <string>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

enum TimeUnit : int { UnitMilliseconds = 0, UnitFrames = 1 };

struct TimeParts {
    std::string minutes, seconds, milliseconds;
};

// text with "0" put in front up to width characters; longer text is unchanged.
[[nodiscard]] std::string PadZeros(const std::string& text, int width);
// value in decimal, padded with PadZeros (never cut).
[[nodiscard]] std::string IntToPadded(int64_t value, int width);
[[nodiscard]] TimeParts SplitTime(uint32_t ms);
// 187250 -> "03:07:250"; 6000000 -> "100:00:000".
[[nodiscard]] std::string FormatTime(uint32_t ms);

struct ParsedTime {
    int32_t minutes, seconds, milliseconds;
};
// Splits at the first ":" and at the first ":" after it; each piece must be a
// decimal integer, else ConvertError ("'piece' is not a valid integer value").
[[nodiscard]] ParsedTime ParseTimeParts(const std::string& text);
// minutes*60000 + seconds*1000 + ms in 32-bit signed (wrapping) arithmetic.
[[nodiscard]] int32_t TimeTextToMs(const std::string& text);
// A track's time as the list compares and moves it: unsigned milliseconds.
[[nodiscard]] inline uint32_t TrackMs(const std::string& text) { return uint32_t(TimeTextToMs(text)); }
// The split dialog's 7 digits "mmssmmm"; ConvertError on a non-digit piece.
[[nodiscard]] int32_t MaskedTimeToMs(const std::string& masked);
[[nodiscard]] int32_t MinSecToMs(int32_t minutes, int32_t seconds, int32_t baseMs);

// x rounded to the nearest integer, halves to even, reduced to its low 32 bits
// (two's complement for negative values); 0 for infinities and NaN.
[[nodiscard]] uint32_t RoundToLow32(double x);

// value from one unit to the other at the format's sample rate, rounded half to
// even in double precision; the low 32 bits of the result. An unknown unit, or a
// rate of 0 (which makes the division meaningless), gives 0.
[[nodiscard]] uint32_t ConvertPosition(uint32_t value, int fromUnit, int toUnit, const WaveFormat& format);

// frames in milliseconds at the format's rate, for counts past 32 bits (RF64
// data): ConvertPosition's arithmetic, rounded half to even, reduced to 64
// bits instead of 32, so a count under 2^32 gives ConvertPosition's answer
// in its low 32 bits. 0 at a rate of 0.
[[nodiscard]] uint64_t FramesToMs(uint64_t frames, const WaveFormat& format);

// ms at the format's rate in frames, rounded as ConvertPosition rounds (the
// same value wherever that does not wrap), in 64 bits: a long recording at a
// high rate passes 2^32 frames. 0 at a rate of 0.
[[nodiscard]] int64_t MsToFrames(uint32_t ms, const WaveFormat& format);

}  // namespace quillon::engine
