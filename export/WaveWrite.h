#pragma once
// Writes RIFF wave files of one fixed layout: "RIFF", size 38 + N (+1 when N is
// odd), "WAVE", an 18-byte "fmt " chunk, and one "data" chunk of N sample bytes
// followed by a zero pad byte when N is odd. 46 bytes when empty.

#include <cstdint>
#include <string>

#include "analysis/WaveFormat.h"
#include "platform/Mmio.h"

namespace quillon::engine {

// Creates (or truncates) path and writes everything up to the open data chunk;
// the caller then writes the sample bytes with mmioWrite. Null when the file
// cannot be opened; nothing is reported.
platform::HMMIO CreateWaveOutput(const std::string& path, const WaveFormat& format, platform::MMCKINFO& riffChunk,
                                 platform::MMCKINFO& dataChunk);

// Fixes both chunk sizes (with the pad byte) and closes the file. False when the
// sizes or the buffered data could not be written.
bool CloseWaveOutput(platform::HMMIO handle, platform::MMCKINFO& dataChunk, platform::MMCKINFO& riffChunk);

// The probe file: a PCM wave with the given format and no samples. Only one can
// be open at a time. Null when the file or its chunks cannot be written.
platform::HMMIO CreateEmptyWave(const std::string& path, uint32_t samplesPerSecond, uint32_t bitsPerSample,
                                uint32_t channels);
// True when both chunks were closed; false without a handle (no file touched).
bool CloseEmptyWave(platform::HMMIO handle);

}  // namespace quillon::engine
