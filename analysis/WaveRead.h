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
    WaveErrDamagedFormat = 5007,  // an extensible or ds64 block that contradicts itself
    WaveErrWideOff = 5008,        // a layout the wide-formats setting would open
};

// Whether the wide layouts open: 24- and 32-bit integer, floating point,
// extensible blocks and 64-bit (RF64, BW64) files. Off by default; the
// setting, or the command line's option, turns it on for the process.
void SetWideFormats(bool on);
[[nodiscard]] bool WideFormatsOn();
constexpr int WAVERR_BADFORMAT = 32;

// Opens path. True: handle is open at the first byte of the data chunk's data,
// format and dataChunk are filled and dataSize is the data chunk's size (may be 0).
// False: one message was shown through seam, handle is null and the other
// outputs are to be ignored.
// Refused: missing file (461), unopenable (5003 text), not RIFF/WAVE or no fmt
// (483), short fmt read (5003 text), not PCM (105), more than 2 channels or 16
// bits (105), a rate, channel count or sample size of 0 (105), a block align
// too small to hold the samples the silence test reads (105), no data chunk
// after fmt (105). A layout that only the wide-formats setting opens gives 105
// with a line naming the setting while it is off; while it is on, such a
// layout opens, and a damaged extensible or ds64 block gives the damaged-format
// text.
bool OpenWaveFile(const std::string& path, platform::UniqueHmmio& handle, WaveFormat& format,
                  platform::MMCKINFO& dataChunk, uint64_t& dataSize, WindowSeam& seam);

// The open and walk of OpenWaveFile with no message, the wide-formats setting
// given (for a reader on its own thread that must judge a file as its
// analysis did): 0 with handle open at the first byte of the data chunk's
// data, else the code OpenWaveFile would report (a file-layer result or a
// WaveFileError, or a message number as a negative value) with handle null.
[[nodiscard]] int OpenWaveQuietly(const std::string& path, bool wide, platform::UniqueHmmio& handle, WaveFormat& format,
                                  platform::MMCKINFO& dataChunk);

// Shows the message for code (a file-layer result or a WaveFileError); an
// unknown code shows nothing.
void ReportWaveFileError(int code, WindowSeam& seam);

// The plain walk the libraries share, with no message: into the RIFF "WAVE"
// chunk (riff; an RF64 or BW64 form too), then its "fmt " chunk, whose first
// bytes are read into format by ParseFormatChunk (bytes the chunk lacks stay
// 0; the verdict is not judged here); the file is left after fmt. A
// fmt chunk shorter than minimumBytes counts as none; OpenWaveFile sets no
// minimum, so a reader that must take what it takes passes 0.
enum class FormatWalk { Found, NotWave, NoFormat, CannotLeaveFormat };
[[nodiscard]] FormatWalk WalkToFormat(platform::HMMIO h, platform::MMCKINFO& riff, WaveFormat& format,
                                      int64_t minimumBytes = 16);
// From there, into the "data" chunk; false when there is none.
[[nodiscard]] bool DescendToData(platform::HMMIO h, const platform::MMCKINFO& riff, platform::MMCKINFO& data);

}  // namespace quillon::engine
