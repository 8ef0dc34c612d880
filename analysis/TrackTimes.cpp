#include "analysis/TrackTimes.h"

#include <cmath>

#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

int32_t StrToInt(const std::string& piece) {
    std::size_t i = 0;
    const bool negative = !piece.empty() && piece[0] == '-';
    if (!piece.empty() && (piece[0] == '-' || piece[0] == '+')) i = 1;
    if (i == piece.size()) throw ConvertError(piece);
    int64_t v = 0;
    for (; i < piece.size(); ++i) {
        if (piece[i] < '0' || piece[i] > '9') throw ConvertError(piece);
        v = v * 10 + (piece[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) throw ConvertError(piece);
    }
    v = negative ? -v : v;
    if (v > INT32_MAX) throw ConvertError(piece);
    return int32_t(v);
}

int32_t Wrap32(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }

}  // namespace

std::string PadZeros(const std::string& text, int width) {
    if (int(text.size()) >= width) return text;
    return std::string(std::size_t(width) - text.size(), '0') + text;
}

std::string IntToPadded(int64_t value, int width) { return PadZeros(std::to_string(value), width); }

TimeParts SplitTime(uint32_t ms) {
    return {IntToPadded(ms / 60000, 2), IntToPadded((ms % 60000) / 1000, 2), IntToPadded((ms % 60000) % 1000, 3)};
}

std::string FormatTime(uint32_t ms) {
    const TimeParts p = SplitTime(ms);
    return p.minutes + ":" + p.seconds + ":" + p.milliseconds;
}

ParsedTime ParseTimeParts(const std::string& text) {
    const auto first = text.find(':');
    const std::string minutes = text.substr(0, first);
    const std::string rest = first == std::string::npos ? std::string() : text.substr(first + 1);
    const auto second = rest.find(':');
    const std::string seconds = rest.substr(0, second);
    const std::string millis = second == std::string::npos ? std::string() : rest.substr(second + 1);
    return {StrToInt(minutes), StrToInt(seconds), StrToInt(millis)};
}

int32_t TimeTextToMs(const std::string& text) {
    const ParsedTime t = ParseTimeParts(text);
    return MinSecToMs(t.minutes, t.seconds, t.milliseconds);
}

int32_t MaskedTimeToMs(const std::string& masked) {
    auto piece = [&masked](std::size_t at, std::size_t n) {
        return at < masked.size() ? masked.substr(at, n) : std::string();
    };
    return MinSecToMs(StrToInt(piece(0, 2)), StrToInt(piece(2, 2)), StrToInt(piece(4, 3)));
}

int32_t MinSecToMs(int32_t minutes, int32_t seconds, int32_t baseMs) {
    return Wrap32(int64_t(baseMs) + int64_t(seconds) * 1000 + int64_t(minutes) * 60 * 1000);
}

uint32_t RoundToLow32(double x) {
    if (!std::isfinite(x)) return 0;
    const double r = std::nearbyint(x);       // the default rounding mode: to nearest, ties to even
    double low = std::fmod(r, 4294967296.0);  // exact for integral doubles
    if (low < 0) low += 4294967296.0;
    return uint32_t(low);
}

uint32_t ConvertPosition(uint32_t value, int fromUnit, int toUnit, const WaveFormat& format) {
    const double rate = format.nSamplesPerSec;
    if (fromUnit == UnitMilliseconds && toUnit == UnitMilliseconds) return value;
    if (fromUnit == UnitFrames && toUnit == UnitFrames) return value;
    if (rate == 0) return 0;
    if (fromUnit == UnitMilliseconds && toUnit == UnitFrames) return RoundToLow32(double(value) * (rate / 1000.0));
    if (fromUnit == UnitFrames && toUnit == UnitMilliseconds) return RoundToLow32(double(value) / rate * 1000.0);
    return 0;
}

uint64_t FramesToMs(uint64_t frames, const WaveFormat& format) {
    const double rate = format.nSamplesPerSec;
    if (rate == 0) return 0;
    // Past 2^64 ms (a rate of a few hertz over a 64-bit count) the low 64 bits, as ConvertPosition keeps 32.
    return uint64_t(std::fmod(std::nearbyint(double(frames) / rate * 1000.0), 18446744073709551616.0));
}

int64_t MsToFrames(uint32_t ms, const WaveFormat& format) {
    const double rate = format.nSamplesPerSec;
    if (rate == 0) return 0;
    return int64_t(std::nearbyint(double(ms) * (rate / 1000.0)));
}

}  // namespace quillon::engine
