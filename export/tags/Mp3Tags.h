#pragma once
// The tags of a saved MP3 file: an ID3v2.4 tag written with TagLib into the
// finished file, before the save puts it in place (what SaveHooks::TagMp3 runs).

#include <string>

#include "export/SaveJob.h"
#include "export/TrackTags.h"

namespace quillon::engine {

// Writes tags into the MP3 file at path as an ID3v2.4 tag (UTF-8 text):
// title, artist, album, year (the recording date), genre and "number/total".
// Empty fields are left out. False when the file is not an MP3 file TagLib
// can open or the tag cannot be saved.
[[nodiscard]] bool WriteMp3Tags(const std::string& path, const TrackTags& tags);

// SaveHooks::TagMp3: the conversion's track's tags into its TempName.
[[nodiscard]] bool TagMp3Conversion(SaveJob& job, const Mp3Conversion& conversion);

}  // namespace quillon::engine
