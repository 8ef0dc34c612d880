// libFuzzer target: the time texts a user types or a list holds. Any text
// gives a time or the integer-conversion error, never another failure, and
// every time written as text reads back as itself.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillon::engine;
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        (void)TimeTextToMs(text);
    } catch (const ConvertError&) {
    }
    try {
        (void)MaskedTimeToMs(text);
    } catch (const ConvertError&) {
    }
    if (size >= 4) {
        uint32_t ms = 0;
        std::memcpy(&ms, data, 4);
        if (uint32_t(TimeTextToMs(FormatTime(ms))) != ms) std::abort();
        WaveFormat format;
        format.nSamplesPerSec = 1 + (size > 4 ? data[4] * 997u : 0);
        // A time survives the trip through frames and back when a
        // millisecond holds at least one frame and the frames fit 32 bits.
        const uint32_t frames = ConvertPosition(ms, UnitMilliseconds, UnitFrames, format);
        if (format.nSamplesPerSec >= 1000 && uint64_t(ms) * format.nSamplesPerSec / 1000 < 0xFFFFFFFFu &&
            ConvertPosition(frames, UnitFrames, UnitMilliseconds, format) != ms) {
            std::abort();
        }
    }
    return 0;
}
