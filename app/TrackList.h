#pragma once
// The track record and the one ordered list of tracks of the open wave file.
// Entry i of the list is row i of the window's track list.

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::engine {

// The kinds of output file a track may have, as bits of its Outdated field.
enum OutdatedFile : uint8_t { OutdatedWave = 1, OutdatedMp3 = 2, OutdatedFlac = 4 };
inline constexpr uint8_t kAllOutdated = OutdatedWave | OutdatedMp3 | OutdatedFlac;

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
    // OutdatedFile bits: a file of the track's name of this kind, if one
    // exists, was cut at another range than the track's (its boundary moved
    // since), so it does not count as the track saved. A save that writes the
    // kind clears its bit. In memory only, like Title.
    uint8_t Outdated{};
};

// Owns its records. Workers fill or read it only while the window keeps its
// hands off (an analysis empties it first; a save locks the list).
using TrackList = std::vector<TRACK_INFO_STRUCT>;

}  // namespace quillon::engine
