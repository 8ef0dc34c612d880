#include "analysis/window/OverviewEdits.h"

#include <algorithm>
#include <string>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "editing/BoundaryMove.h"
#include "editing/TrackEdits.h"

namespace quillon::app {
namespace {

constexpr const char* kMoveBoundary = "Move Boundary";

}  // namespace

void OverviewEdits::Take() {
    if (taken_ || !form_.CanEditList()) return;
    taken_ = form_.TrackList;
    // No other command starts while the list is held half-moved.
    form_.UiBusy = true;
}

void OverviewEdits::Drag(std::size_t boundary, uint32_t ms) {
    if (taken_ && engine::MoveBoundary(form_.TrackList, boundary, ms)) form_.ShowEditedList();
}

void OverviewEdits::Drop() {
    if (!taken_) return;
    form_.UiBusy = false;
    engine::TrackList before = *std::exchange(taken_, std::nullopt);
    const auto same = [](const engine::TRACK_INFO_STRUCT& a, const engine::TRACK_INFO_STRUCT& b) {
        return a.Start == b.Start && a.Stop == b.Stop;
    };
    if (!std::equal(before.begin(), before.end(), form_.TrackList.begin(), form_.TrackList.end(), same)) {
        form_.RecordEdit(kMoveBoundary, std::move(before));
    }
}

void OverviewEdits::Cancel() {
    if (!taken_) return;
    form_.UiBusy = false;
    form_.TrackList = *std::exchange(taken_, std::nullopt);
    form_.ShowEditedList();
}

void OverviewEdits::Nudge(std::size_t boundary, int32_t deltaMs) {
    if (!form_.CanEditList() || boundary == 0 || boundary >= form_.TrackList.size()) return;
    engine::TrackList before = form_.TrackList;
    const int64_t target = std::max<int64_t>(0, int64_t(engine::BoundaryMs(before, boundary)) + deltaMs);
    if (!engine::MoveBoundary(form_.TrackList, boundary, uint32_t(target))) return;
    form_.ShowEditedList();
    form_.RecordEdit(kMoveBoundary, std::move(before), "nudge " + std::to_string(boundary));
}

bool OverviewEdits::SplitAt(uint32_t ms) {
    if (!form_.CanEditList()) return false;
    engine::TrackList& tracks = form_.TrackList;
    for (std::size_t row = 0; row < tracks.size(); ++row) {
        if (!engine::SplitPointInside(tracks[row], ms)) continue;
        engine::TrackList before = tracks;
        engine::SplitTrack(tracks, row, ms);
        form_.ShowEditedList();
        form_.RecordEdit("Split", std::move(before));
        return true;
    }
    return false;
}

bool OverviewEdits::MergeWithNext(std::size_t row) {
    if (!form_.CanEditList() || row + 1 >= form_.TrackList.size()) return false;
    engine::TrackList before = form_.TrackList;
    engine::MergeTracks(form_.TrackList, row);
    form_.ShowEditedList();
    form_.RecordEdit("Merge", std::move(before));
    form_.SetStatusText(engine::text::kMergeCompleted);
    return true;
}

}  // namespace quillon::app
