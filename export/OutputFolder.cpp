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

bool AllTracksSaved(const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::string base = folder + name;
        const bool saved = FileExists(base + ".wav") || FileExists(base + ".mp3") || FileExists(base + ".MP3") ||
                           FileExists(base + ".flac");
        if (!saved) return false;
    }
    return true;
}

}  // namespace quillon::engine
