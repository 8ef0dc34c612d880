#include "export/OutputFolder.h"

#include "app/Util.h"

namespace quillon::engine {

std::string GetOutputFolder(const std::string& currentWaveFile, const SettingsFile& settings) {
    std::string folder;
    if (settings.Read(keys::SameAsSourceFile)) {
        folder = ExtractFileDir(currentWaveFile);
    } else {
        folder = settings.Read(keys::OutputFilePath);
        if (folder.empty()) folder = GetFallbackOutputFolder();
    }
    return AddTrailingBackslash(folder);
}

bool AllTracksSaved(const std::string& folder, const TrackList& tracks) {
    for (const TRACK_INFO_STRUCT& track : tracks) {
        const std::string base = folder + track.Name;
        const auto has = [&](uint8_t kind, const char* extension) {
            return !(track.Outdated & kind) && FileExists(base + extension);
        };
        const bool saved = has(OutdatedWave, ".wav") || has(OutdatedMp3, ".mp3") || has(OutdatedMp3, ".MP3") ||
                           has(OutdatedFlac, ".flac");
        if (!saved) return false;
    }
    return true;
}

}  // namespace quillon::engine
