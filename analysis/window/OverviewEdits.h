#pragma once
// The list edits made on the overview's picture: a boundary dragged (live in
// the list, one undo step when let go, put back by Esc) or nudged by the
// keys, a split at a time, a track merged with the next. Each waits, as Split
// and Merge do, while a job, a save or a preview runs, and each is a step of
// the history.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "app/TrackList.h"

namespace quillon::app {

class FormPanel;

class OverviewEdits {
public:
    explicit OverviewEdits(FormPanel& form) : form_(form) {}

    // A drag: Take keeps the list as it is and holds the window busy
    // (nothing when it may not be edited now), Drag moves the boundary to ms,
    // Drop keeps the move as one step, Cancel puts the list back as it was
    // taken; both let the window go.
    void Take();
    void Drag(std::size_t boundary, uint32_t ms);
    void Drop();
    void Cancel();
    [[nodiscard]] bool Dragging() const { return taken_.has_value(); }
    // Moves a boundary by deltaMs; a run of nudges of one boundary is one step.
    void Nudge(std::size_t boundary, int32_t deltaMs);
    // Splits the track holding ms there, as Split does; false when ms is no
    // split point (a boundary, the recording's ends) or the list is busy.
    bool SplitAt(uint32_t ms);
    // Merges track row with the one below it, as Merge does.
    bool MergeWithNext(std::size_t row);

private:
    FormPanel& form_;
    std::optional<engine::TrackList> taken_;  // the list when a drag took its boundary
};

}  // namespace quillon::app
