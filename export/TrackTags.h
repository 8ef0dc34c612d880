#pragma once
// The tags of a saved track, the same for every format: its title, the
// recording's details, and its place in the list.

#include <cstddef>
#include <cstdint>
#include <string>

#include "export/SaveRecord.h"

namespace quillon::engine {

struct TrackTags {
    std::string Title;                       // the track's Title, or its Name when it has none
    std::string Artist, Album, Year, Genre;  // "" is not written
    uint32_t Number = 0;                     // the details' first number + the track's row
    uint32_t Total = 0;                      // the rows in the list
};

// The tags of row track of job's list. The album is the recording's file
// name when the details give none.
[[nodiscard]] TrackTags TagsOfTrack(const SaveJob& job, std::size_t track);

}  // namespace quillon::engine
