#include "export/RecordingDetails.h"

#include "app/Util.h"

namespace quillon::engine {

std::string AlbumOfRecording(const std::string& recordingPath) {
    return RemoveExtension(ExtractFileName(recordingPath));
}

RecordingDetails DefaultDetails(const std::string& recordingPath) {
    RecordingDetails details;
    details.Album = AlbumOfRecording(recordingPath);
    return details;
}

}  // namespace quillon::engine
