#include "handoff/Companion.h"

#include <algorithm>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "platform/ShellExecute.h"

namespace quillon::engine {

std::optional<std::string> InstallFolderFromUninstallString(const std::string& uninstall) {
    const auto f = uninstall.find("-f");
    if (f == std::string::npos) return std::nullopt;
    const std::size_t from = f + 2;
    const std::string path = uninstall.size() > from ? uninstall.substr(from, uninstall.size() - 1 - from) : "";
    const auto marker = path.find("/Uninst.is");
    if (marker == std::string::npos) return std::nullopt;
    std::string folder = path.substr(0, marker + 1);
    if (const auto quote = folder.find('"'); quote != std::string::npos) folder.erase(0, quote + 1);
    return folder;
}

std::vector<CV_PRODUCT_INFO_STRUCT> FindCompanionInstallations(const std::string& registryFile) {
    std::vector<CV_PRODUCT_INFO_STRUCT> found;
    const auto uninstall = platform::RegistryKey::Open(kUninstallKey, registryFile);
    const std::vector<std::string> names = uninstall ? uninstall->SubKeyNames() : std::vector<std::string>{};
    for (const std::string& name : names) {
        if (ToUpper(name).find("TRIMORA") == std::string::npos) continue;
        const auto key = platform::RegistryKey::Open(std::string(kUninstallKey) + "\\" + name, registryFile);
        if (!key) continue;
        const auto folder = InstallFolderFromUninstallString(key->Value("UninstallString"));
        if (!folder) continue;
        for (const char* exe : {"TRM.EXE", "TRM32.EXE"}) {
            if (FileExists(*folder + exe)) found.push_back({key->Value("DisplayName"), exe, *folder + exe});
        }
    }
    return found;
}

std::optional<std::string> ChooseInstallation(const std::vector<CV_PRODUCT_INFO_STRUCT>& found, bool& oldRelease) {
    oldRelease = false;
    for (const auto& entry : found) {
        if (entry.ExeName == "TRM32.EXE") return entry.ExePath;
    }
    oldRelease = std::any_of(found.begin(), found.end(), [](const auto& e) { return e.ExeName == "TRM.EXE"; });
    return std::nullopt;
}

namespace {

// The track's file of this extension is in folder and holds the track's range.
bool CurrentFile(const TRACK_INFO_STRUCT& track, const std::string& folder, const char* extension, uint8_t kind) {
    return !(track.Outdated & kind) && FileExists(folder + track.Name + extension);
}

}  // namespace

TrackFiles CheckTrackFiles(TrackList& tracks, const std::vector<bool>& checked, const std::string& folder,
                           HandOffMode mode) {
    TrackFiles files;
    for (std::size_t i = 0; i < tracks.size() && i < checked.size(); ++i) {
        if (!checked[i]) continue;
        TRACK_INFO_STRUCT& track = tracks[i];
        if (mode == HandOffBurn && !CurrentFile(track, folder, ".MP3", OutdatedMp3)) files.allMp3 = false;
        if (CurrentFile(track, folder, ".wav", OutdatedWave)) track.WaveSaved = 1;
        else files.allWaves = false;
    }
    return files;
}

std::string CompanionParameters(HandOffMode mode, const TrackList& tracks, const std::string& folder) {
    std::string p = mode == HandOffBurn ? " /Burn " : "";
    for (const TRACK_INFO_STRUCT& track : tracks) {
        if (mode == HandOffBurn && CurrentFile(track, folder, ".MP3", OutdatedMp3)) {
            p += " \"" + folder + track.Name + ".MP3\"";
        }
        if (track.WaveSaved && !(track.Outdated & OutdatedWave)) p += " \"" + folder + track.Name + ".wav\"";
    }
    return p;
}

void LaunchCompanion(const CompanionRequest& request, const TrackList& tracks, const std::string& folder,
                     WindowSeam& seam) {
    const auto mode = HandOffMode(request.Mode);
    seam.SetStatusText(MessageText(mode == HandOffBurn ? MsgLoadingBurnUi : MsgLoadingEditUi));
    const std::string parameters = CompanionParameters(mode, tracks, folder);
    seam.SetStatusText(MessageText(MsgLoadingCompanion));
    const std::vector<std::string> program = platform::SplitParameters(request.ExePath);
    if (program.empty()) return;
    (void)platform::StartDetached(program.front(), platform::SplitParameters(parameters));
}

}  // namespace quillon::engine
