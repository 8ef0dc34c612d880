#pragma once
// The track record and the one ordered list of tracks of the open wave file.
// Entry i of the list is row i of the window's track list.

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::engine {

struct TRACK_INFO_STRUCT {
    std::string Name;       // also the base of the track's output file names
    std::string Start;      // mm:ss:mmm, position of the first sample
    std::string Stop;       // mm:ss:mmm, where the track ends
    std::string Duration;   // mm:ss:mmm, Stop - Start in milliseconds
    uint8_t Checked = 0;    // the row's check box, copied just before a save
    uint8_t WaveSaved = 0;  // the track's wave file is in the output folder
    // The title for the track's tags, exactly as a title list or sheet gave
    // it; "" means the Name. Kept in memory only (the file-passing block does
    // not carry it). The braces let the six-field initialisers stay as they are.
    std::string Title{};
};

// Owns its records. Workers fill or read it only while the window keeps its
// hands off (an analysis empties it first; a save locks the list).
using TrackList = std::vector<TRACK_INFO_STRUCT>;

}  // namespace quillon::engine
