#pragma once
// Names from titles on the command line: --names reads a title list or a CUE
// sheet before the scan, and after it gives the tracks their titles in order;
// save also takes the recording's details for the tags from the sheet and the
// options.

#include <optional>
#include <string>
#include <vector>

#include "app/TrackList.h"
#include "cli/CliArgs.h"
#include "cli/ConsoleSeam.h"
#include "editing/CueSheet.h"
#include "export/RecordingDetails.h"

namespace quillon::cli {

struct TitleSource {
    std::vector<std::string> Titles;
    std::optional<engine::CueSheet> Sheet;  // when the names file is a CUE sheet
};

// Whether path names a CUE sheet: its extension is .cue, in any case.
[[nodiscard]] bool IsCueSheetPath(const std::string& path);

// Reads naming.namesFile, when given, into source. False, with the message
// shown, when it cannot be read or holds nothing to name tracks with.
[[nodiscard]] bool ReadTitleSource(const NamingOptions& naming, ConsoleSeam& seam, TitleSource& source);

// Gives the tracks source's titles in order. When the counts differ the
// plan's summary is shown, and false returned (nothing named) unless
// naming.allowMismatch.
[[nodiscard]] bool NameTracks(const NamingOptions& naming, const TitleSource& source, engine::TrackList& tracks,
                              ConsoleSeam& seam);

// The details of the recording at path: its own defaults, over them the
// sheet's album details, over those the options.
[[nodiscard]] engine::RecordingDetails DetailsOfRecording(const std::string& path, const SaveOptions& save,
                                                          const NamingOptions& naming, const TitleSource& source);

}  // namespace quillon::cli
