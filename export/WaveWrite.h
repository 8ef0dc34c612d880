#pragma once
// Writes RIFF wave files. The classic layouts (PCM of up to 16 bits) get one
// fixed layout: "RIFF", size 38 + N (+1 when N is odd), "WAVE", an 18-byte
// "fmt " chunk, and one "data" chunk of N sample bytes followed by a zero pad
// byte when N is odd; 46 bytes when empty. A wide layout's file repeats its
// source's fmt chunk as the source holds it (an extensible block included),
// so a player sees the same format the recording had.
//
// A file whose sizes pass what RIFF's 32-bit fields hold is written as RF64:
// "RF64", 0xFFFFFFFF, "WAVE", a 28-byte "ds64" chunk (RIFF size, data size,
// sample frames, no table), the fmt chunk, and "data" with size 0xFFFFFFFF.
// Its sizes are written before its data, so the data must then be exactly the
// size announced.

#include <cstdint>
#include <string>

#include "analysis/WaveFormat.h"
#include "platform/Mmio.h"

namespace quillon::engine {

// Creates (or truncates) path and writes everything up to the open data chunk;
// the caller then writes the sample bytes with mmioWrite. dataBytes: the
// sample bytes the caller will write, 0 when it does not know (the sizes are
// then fixed on close, and the file stays within RIFF's 32-bit sizes). Null
// when the file cannot be opened; nothing is reported.
platform::HMMIO CreateWaveOutput(const std::string& path, const WaveFormat& format, platform::MMCKINFO& riffChunk,
                                 platform::MMCKINFO& dataChunk, uint64_t dataBytes = 0);

// Fixes both chunk sizes (with the pad byte) and closes the file. False when the
// sizes or the buffered data could not be written, or an RF64 file's data is
// not the size it announced.
bool CloseWaveOutput(platform::HMMIO handle, platform::MMCKINFO& dataChunk, platform::MMCKINFO& riffChunk);

// The probe file: a PCM wave with the given format and no samples. Only one can
// be open at a time. Null when the file or its chunks cannot be written.
platform::HMMIO CreateEmptyWave(const std::string& path, uint32_t samplesPerSecond, uint32_t bitsPerSample,
                                uint32_t channels);
// True when both chunks were closed; false without a handle (no file touched).
bool CloseEmptyWave(platform::HMMIO handle);

}  // namespace quillon::engine
