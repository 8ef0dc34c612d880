#pragma once
// Opens and validates a PCM wave file for reading. Every refusal is reported to
// the user here, exactly once, so callers only clean up.

#include <cstdint>
#include <string>

#include "analysis/WaveFormat.h"
#include "app/WindowSeam.h"
#include "platform/Mmio.h"

namespace quillon::engine {

// Codes of the program's own, beside the file layer's result codes.
enum WaveFileError : int {
    WaveErrNoMemory = 5001,
    WaveErrNotWave = 5002,
    WaveErrCannotRead = 5003,
    WaveErrNoDataChunk = 5004,
    WaveErrNotPcm = 5005,
    WaveErrShortData = 5006,
};
constexpr int WAVERR_BADFORMAT = 32;

// Opens path. True: handle is open at the first byte of the data chunk's data,
// format and dataChunk are filled and dataSize is the data chunk's size (may be 0).
// False: one message was shown through seam, handle is null and the other
// outputs are to be ignored.
// Refused: missing file (461), unopenable (5003 text), not RIFF/WAVE or no fmt
// (483), short fmt read (5003 text), not PCM (105), more than 2 channels or 16
// bits (105), a rate, channel count or sample size of 0 (105), a block align too small to hold the samples the silence
// test reads (105), no data chunk after fmt (105).
bool OpenWaveFile(const std::string& path, platform::UniqueHmmio& handle, WaveFormat& format,
                  platform::MMCKINFO& dataChunk, uint32_t& dataSize, WindowSeam& seam);

// Shows the message for code (a file-layer result or a WaveFileError); an
// unknown code shows nothing.
void ReportWaveFileError(int code, WindowSeam& seam);

// The plain walk the libraries share, with no message: into the RIFF "WAVE"
// chunk (riff), then its "fmt " chunk, whose first 18 bytes at most are read
// into format (bytes the chunk lacks stay 0); the file is left after fmt. A
// fmt chunk shorter than minimumBytes counts as none; OpenWaveFile sets no
// minimum, so a reader that must take what it takes passes 0.
enum class FormatWalk { Found, NotWave, NoFormat, CannotLeaveFormat };
[[nodiscard]] FormatWalk WalkToFormat(platform::HMMIO h, platform::MMCKINFO& riff, WaveFormat& format,
                                      int64_t minimumBytes = 16);
// From there, into the "data" chunk; false when there is none.
[[nodiscard]] bool DescendToData(platform::HMMIO h, const platform::MMCKINFO& riff, platform::MMCKINFO& data);

}  // namespace quillon::engine
