#pragma once
// What the user says about the recording as a whole, for the tags of every
// track saved from it.

#include <cstdint>
#include <string>

namespace quillon::engine {

struct RecordingDetails {
    std::string Artist;
    std::string Album;  // "" is the recording's file name without its extension
    std::string Year;   // as typed: "1977", or a full date such as "1977-05-08"
    std::string Genre;
    uint32_t FirstNumber = 1;  // the first row's track number; the rows below count on from it
};

// The album a recording gives when none is typed: its file name without the extension.
[[nodiscard]] std::string AlbumOfRecording(const std::string& recordingPath);

// The details of a recording before the user says more: its album, first number 1.
[[nodiscard]] RecordingDetails DefaultDetails(const std::string& recordingPath);

}  // namespace quillon::engine
