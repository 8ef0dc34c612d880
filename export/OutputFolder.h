#pragma once
// Where saved tracks go, and whether every listed track is already there.

#include <string>
#include <vector>

#include "settings/Settings.h"

namespace quillon::engine {

// The folder for saved tracks, ending in "/" unless empty: the source file's
// folder when "SameAsSourceFile:" is on; else "OutputFilePath", or when that is
// empty the default output folder, or the home folder when that does not
// exist. A configured folder that does not exist is returned as it is; the
// save reports it.
[[nodiscard]] std::string GetOutputFolder(const std::string& currentWaveFile,
                                          const SettingsFile& settings = SettingsFile());

// True when, for every name, folder + name + ".wav", + ".mp3" or + ".flac"
// exists (".MP3" too, as saves write it); true for no names.
[[nodiscard]] bool AllTracksSaved(const std::string& folder, const std::vector<std::string>& names);

}  // namespace quillon::engine
