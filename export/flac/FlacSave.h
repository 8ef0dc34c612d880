#pragma once
// The FLAC step of a save: what SaveHooks::EncodeFlac runs for each track on
// the encoder threads, with the track's Vorbis comments.

#include <cstddef>
#include <cstdint>

#include "analysis/WaveFormat.h"
#include "export/SaveJob.h"
#include "export/flac/FlacTrack.h"

namespace quillon::engine {

// A track's comments, from its tags (TrackTags.h): TITLE, then ARTIST,
// ALBUM, DATE and GENRE where not empty, then TRACKNUMBER and TRACKTOTAL.
[[nodiscard]] VorbisComments TrackComments(const SaveJob& job, std::size_t track);

// Encodes conversion's track from the recording open at fd into its
// TempName at job.FlacLevel: ConversionDone, or NoConversion with
// conversion.FailureReason saying why (nothing for a stop).
uint16_t EncodeFlacConversion(SaveJob& job, Mp3Conversion& conversion, int fd, const WaveFormat& format);

}  // namespace quillon::engine
