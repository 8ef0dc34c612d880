#include "export/SourceCheck.h"

#include "analysis/TrackTimes.h"
#include "app/Util.h"

namespace quillon::engine {

bool HoldsAnalysedTracks(const Source& source, const std::optional<SourceIdentity>& analysed, const TrackList& tracks) {
    if (analysed) {
        const auto now = IdentifySource(source.file.get(), source.data);
        if (!now || *now != *analysed) return false;
    }
    if (source.format.nBlockAlign == 0) return false;
    // The analysis timed its last track's end from the frames the file held,
    // so the same conversion of what it holds now is the exact bound.
    const uint64_t heldMs = FramesToMs(uint64_t(source.available / source.format.nBlockAlign), source.format);
    for (const TRACK_INFO_STRUCT& track : tracks) {
        if (track.Checked && uint64_t(uint32_t(TimeTextToMs(track.Stop))) > heldMs) return false;
    }
    return true;
}

std::string FirstCheckedName(const TrackList& tracks) {
    for (const TRACK_INFO_STRUCT& track : tracks) {
        if (track.Checked) return track.Name;
    }
    return {};
}

}  // namespace quillon::engine
