#pragma once
// Titles (from a title list or a CUE sheet) onto the rows of the track list,
// in order: title i names row i. When the counts differ, the extra titles are
// left out and the extra rows keep their names; the plan says so before it
// is carried out.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/TrackList.h"
#include "editing/CueSheet.h"
#include "export/RecordingDetails.h"

namespace quillon::engine {

struct ImportPlan {
    std::size_t Titles = 0, Rows = 0;
    std::size_t Named = 0;      // rows 1..Named get titles 1..Named
    bool CountsDiffer = false;  // the command line refuses such an import
    std::string
        Summary;  // for the confirmation: "3 titles for 4 tracks: tracks 1-3 get titles; track 4 keeps its name."
};

[[nodiscard]] ImportPlan PlanImport(std::size_t titles, std::size_t rows);

struct ImportChoice {
    // "Number the names": "01 Title", two digits, or as many as the largest number needs.
    bool NumberNames = false;
    uint32_t FirstNumber = 1;  // the number of the first row (RecordingDetails::FirstNumber)
};

// The name of row (0-based) among rows for title: the title made usable
// (UsableTrackName), with the row's number in front when chosen.
[[nodiscard]] std::string NameFromTitle(const std::string& title, std::size_t row, std::size_t rows,
                                        const ImportChoice& choice);

// Gives rows 0..Named-1 their titles: Title takes the title exactly, Name the
// name made from it. A title that makes no usable name ("", "..") leaves the
// row's Name as it was; its Title is still set.
void ApplyTitles(TrackList& tracks, const std::vector<std::string>& titles, const ImportChoice& choice);

// The sheet's album TITLE, PERFORMER, REM DATE and REM GENRE into details,
// each only where the sheet has one. A sheet without an album PERFORMER whose
// tracks all name the same one gives that.
void ApplySheetDetails(const CueSheet& sheet, RecordingDetails& details);

}  // namespace quillon::engine
