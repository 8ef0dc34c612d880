#include "export/TrackTags.h"

namespace quillon::engine {

TrackTags TagsOfTrack(const SaveJob& job, std::size_t track) {
    const TRACK_INFO_STRUCT& row = job.Tracks[track];
    const RecordingDetails& details = job.Details;
    TrackTags tags;
    tags.Title = row.Title.empty() ? row.Name : row.Title;
    tags.Artist = details.Artist;
    tags.Album = details.Album.empty() ? AlbumOfRecording(job.SourcePath) : details.Album;
    tags.Year = details.Year;
    tags.Genre = details.Genre;
    tags.Number = details.FirstNumber + uint32_t(track);
    tags.Total = uint32_t(job.Tracks.size());
    return tags;
}

}  // namespace quillon::engine
