#pragma once
// Undo and redo of the edits of one recording's track list, kept as whole
// copies of the list. The window owns one history per open recording and
// clears it when another is opened.

#include <cstddef>
#include <deque>
#include <string>

#include "app/TrackList.h"

namespace quillon::engine {

// Gives each track of restored, a list coming back by undo or redo, the
// saved flags its files have now: WaveSaved and Outdated of a track of
// current (the list it replaces) with the same Name, Start and Stop; without
// such a twin, WaveSaved 0 and every Outdated bit, since a file of its name
// may hold another range. So a step back never marks a file saved that a
// later edit made stale. O(n log n).
void CarryFileFlags(TrackList& restored, const TrackList& current);

class EditHistory {
public:
    // Steps kept on the undo side; the oldest goes first.
    static constexpr std::size_t kDepth = 200;

    // Keeps before, the list as it was before an edit named action ("Split"),
    // as the newest undo step and forgets the redo side. A non-empty mergeKey
    // equal to the newest step's, with no undo or redo since that step was
    // kept, makes the call do nothing: a run of nudges is one step.
    void Record(std::string action, TrackList before, std::string mergeKey = {});

    [[nodiscard]] bool CanUndo() const { return !undo_.empty(); }
    [[nodiscard]] bool CanRedo() const { return !redo_.empty(); }
    // The action the next undo or redo takes back or makes again; "" when none.
    [[nodiscard]] std::string UndoAction() const;
    [[nodiscard]] std::string RedoAction() const;

    // Exchanges tracks with the list of the newest step (CarryFileFlags
    // applied), which then holds the list replaced, on the other side under
    // the same action. False, and tracks untouched, when there is none.
    bool Undo(TrackList& tracks);
    bool Redo(TrackList& tracks);

    void Clear();

private:
    struct Step {
        std::string action;
        TrackList tracks;
        std::string mergeKey;
    };
    static void Push(std::deque<Step>& side, Step step);
    static bool Swap(std::deque<Step>& from, std::deque<Step>& to, TrackList& tracks);

    std::deque<Step> undo_, redo_;
    bool mergeOpen_ = false;  // no undo or redo since the newest undo step was kept
};

}  // namespace quillon::engine
