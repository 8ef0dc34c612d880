#include "export/flac/FlacSave.h"

#include <string>

#include "app/Util.h"

namespace quillon::engine {
namespace {

std::string Reason(FlacResult result) {
    switch (result) {
    case FlacResult::FloatSource: return "FLAC cannot hold floating-point samples";
    case FlacResult::CannotCreate: return "its file could not be made";
    case FlacResult::ReadFailed: return "the recording could not be read";
    case FlacResult::WriteFailed: return "its file could not be written";
    case FlacResult::EncoderFailed: return "the encoder's check of the file failed";
    case FlacResult::Done:
    case FlacResult::Stopped: break;
    }
    return {};
}

}  // namespace

VorbisComments TrackComments(const SaveJob& job, std::size_t track) {
    return {{"TITLE", job.Tracks[track].Name},
            {"TRACKNUMBER", std::to_string(track + 1)},
            {"TRACKTOTAL", std::to_string(job.Tracks.size())},
            {"ALBUM", RemoveExtension(ExtractFileName(job.SourcePath))}};
}

uint16_t EncodeFlacConversion(SaveJob& job, Mp3Conversion& conversion, int fd, const WaveFormat& format) {
    const FlacSource source{fd, conversion.SourceOffset, conversion.SourceLength, format};
    const FlacResult result = EncodeFlacTrack(source, conversion.TempName, job.FlacLevel,
                                              TrackComments(job, conversion.Track), conversion.Control);
    if (result == FlacResult::Done) return ConversionDone;
    conversion.FailureReason = Reason(result);
    return NoConversion;
}

}  // namespace quillon::engine
