#pragma once
// One track of a recording to a FLAC file, encoded straight from the
// recording's bytes (no intermediate wave) with libFLAC: verify mode on, the
// STREAMINFO MD5 set, and the track's Vorbis comments written as it encodes.
// The decoded samples are the source's: 8-bit samples become signed (the
// decoder's wave turns them back), up to 16 bits are encoded at 16 so a 12-bit
// file in 16-bit containers decodes to its own bytes, 24- and 32-bit
// containers at their width.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "analysis/WaveFormat.h"
#include "export/ConversionControl.h"

namespace quillon::engine {

// The comments in the order written: field name (ASCII, conventionally upper
// case) and its value (UTF-8).
using VorbisComments = std::vector<std::pair<std::string, std::string>>;

enum class FlacResult {
    Done,
    Stopped,        // control asked it to stop; the file is incomplete
    FloatSource,    // floating-point samples, which FLAC does not hold
    CannotCreate,   // the output could not be opened
    ReadFailed,     // the recording ended early or could not be read
    WriteFailed,    // the output could not be written (errno says why)
    EncoderFailed,  // libFLAC refused the stream or its verify found a mismatch
};

// Whether FLAC holds a recording of this format: every integer layout. Inline,
// so the save job refuses a float recording before it asks anything.
[[nodiscard]] inline bool FlacHolds(const WaveFormat& format) { return !IsFloatKind(KindOf(format)); }

// The track's bytes in the recording: length bytes from offset of the open
// file fd, whole frames of format.
struct FlacSource {
    int fd = -1;
    int64_t offset = 0;
    int64_t length = 0;
    WaveFormat format;
};

// Encodes source into path (created or emptied) at compression level 0-8
// (larger levels are taken as 8). control gets the percent done and is
// checked between blocks. On any result but Done, path holds an incomplete
// file that the caller removes.
[[nodiscard]] FlacResult EncodeFlacTrack(const FlacSource& source, const std::string& path, unsigned level,
                                         const VorbisComments& comments, ConversionControl& control);

}  // namespace quillon::engine
