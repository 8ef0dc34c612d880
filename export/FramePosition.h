#pragma once
// Track times to sample frames and back for the save, in 64 bits. The track
// list keeps times in 32-bit milliseconds, but a long recording at a high
// rate passes 2^32 frames (at 384 kHz after about three hours), where the
// 32-bit conversion of the track times would wrap.

#include <cstdint>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

// ms at the format's rate, rounded half to even in double precision exactly
// as ConvertPosition rounds (the same value wherever that does not wrap); 0
// for a rate of 0.
[[nodiscard]] int64_t MsToFrames(uint32_t ms, const WaveFormat& format);

// frames (0 or more) in milliseconds, rounded the same way; 0 for a rate of 0.
[[nodiscard]] uint64_t FramesToMs(int64_t frames, const WaveFormat& format);

}  // namespace quillon::engine
