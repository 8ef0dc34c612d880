#include "export/flac/FlacSave.h"

#include <string>
#include <utility>

#include "export/TrackTags.h"

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
    const TrackTags tags = TagsOfTrack(job, track);
    VorbisComments comments{{"TITLE", tags.Title}};
    for (const auto& [field, value] : {std::pair<const char*, const std::string&>{"ARTIST", tags.Artist},
                                       {"ALBUM", tags.Album},
                                       {"DATE", tags.Year},
                                       {"GENRE", tags.Genre}}) {
        if (!value.empty()) comments.emplace_back(field, value);
    }
    comments.emplace_back("TRACKNUMBER", std::to_string(tags.Number));
    comments.emplace_back("TRACKTOTAL", std::to_string(tags.Total));
    return comments;
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
