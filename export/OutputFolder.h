#pragma once
// Where saved tracks go, and whether every listed track is already there.

#include <string>

#include "app/TrackList.h"
#include "settings/Settings.h"

namespace quillon::engine {

// The folder for saved tracks, ending in "/" unless empty: the source file's
// folder when "SameAsSourceFile:" is on; else "OutputFilePath", or when that is
// empty the default output folder, or the home folder when that does not
// exist. A configured folder that does not exist is returned as it is; the
// save reports it.
[[nodiscard]] std::string GetOutputFolder(const std::string& currentWaveFile,
                                          const SettingsFile& settings = SettingsFile());

// True when every track has a saved file: folder + Name + ".wav", + ".mp3"
// (".MP3" too, as saves write it) or + ".flac" exists and the track's
// Outdated bit of that kind is clear (a file cut at another range is not the
// track saved). True for no tracks.
[[nodiscard]] bool AllTracksSaved(const std::string& folder, const TrackList& tracks);

}  // namespace quillon::engine
