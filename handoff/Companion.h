#pragma once
// Opening saved tracks in the companion editor and CD burner: finding its
// installations in the registry, choosing one, and the command line it gets.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/TrackList.h"
#include "app/WindowSeam.h"
#include "platform/Registry.h"

namespace quillon::engine {

enum HandOffMode : int32_t { HandOffEdit = 1, HandOffBurn = 2 };

// One installation found in the registry.
struct CV_PRODUCT_INFO_STRUCT {
    std::string DisplayName;
    std::string ExeName;  // "TRM.EXE" or "TRM32.EXE"
    std::string ExePath;  // installation folder + ExeName
};

// The launch that is pending; a hand-off's save launches it when it ends.
struct CompanionRequest {
    std::string ExePath;  // in double quotes
    int32_t Mode = 0;     // a HandOffMode
};

inline constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The folder the uninstall command line names after -f, up to and including
// the "/" before "Uninst.is"; nothing when either is missing.
[[nodiscard]] std::optional<std::string> InstallFolderFromUninstallString(const std::string& uninstall);

// Every uninstall key whose name holds "TRIMORA" in any case and whose
// folder holds TRM.EXE or TRM32.EXE, in registry order, TRM.EXE first per key.
[[nodiscard]] std::vector<CV_PRODUCT_INFO_STRUCT> FindCompanionInstallations(
    const std::string& registryFile = platform::RegistryFile());

// The executable to start: the first TRM32.EXE. Nothing when there is none;
// oldRelease is then set when a TRM.EXE was found.
[[nodiscard]] std::optional<std::string> ChooseInstallation(const std::vector<CV_PRODUCT_INFO_STRUCT>& found,
                                                            bool& oldRelease);

// Marks WaveSaved for each checked track whose wave file is in folder (never
// clears it) and tells whether every checked track has its wave file, and
// (for Burn) its MP3 file. A file of a kind the track's Outdated bits name
// holds another range: it counts as missing and marks nothing.
struct TrackFiles {
    bool allWaves = true;
    bool allMp3 = true;
};
[[nodiscard]] TrackFiles CheckTrackFiles(TrackList& tracks, const std::vector<bool>& checked, const std::string& folder,
                                         HandOffMode mode);

// The parameter text: " /Burn " for Burn, then per track in list order its
// MP3 file (Burn, when it exists) and its wave file (when WaveSaved), each as
// a blank and the path in double quotes; never a file whose Outdated bit is set.
[[nodiscard]] std::string CompanionParameters(HandOffMode mode, const TrackList& tracks, const std::string& folder);

// Shows 134 or 135, then 136 in status panel 0, and starts the executable
// with the parameters, not waiting for it. A failing start is not reported.
void LaunchCompanion(const CompanionRequest& request, const TrackList& tracks, const std::string& folder,
                     WindowSeam& seam);

}  // namespace quillon::engine
