#include "editing/EditHistory.h"

#include <algorithm>
#include <string_view>
#include <tuple>
#include <vector>

namespace quillon::engine {
namespace {

using TwinKey = std::tuple<std::string_view, std::string_view, std::string_view>;

TwinKey KeyOf(const TRACK_INFO_STRUCT& track) { return {track.Name, track.Start, track.Stop}; }

}  // namespace

void CarryFileFlags(TrackList& restored, const TrackList& current) {
    std::vector<const TRACK_INFO_STRUCT*> twins;
    twins.reserve(current.size());
    for (const TRACK_INFO_STRUCT& track : current) twins.push_back(&track);
    const auto before = [](const TRACK_INFO_STRUCT* a, const TRACK_INFO_STRUCT* b) { return KeyOf(*a) < KeyOf(*b); };
    std::sort(twins.begin(), twins.end(), before);
    for (TRACK_INFO_STRUCT& track : restored) {
        const auto twin = std::lower_bound(twins.begin(), twins.end(), &track, before);
        if (twin != twins.end() && KeyOf(**twin) == KeyOf(track)) {
            track.WaveSaved = (*twin)->WaveSaved;
            track.Outdated = (*twin)->Outdated;
        } else {
            track.WaveSaved = 0;
            track.Outdated = kAllOutdated;
        }
    }
}

void EditHistory::Record(std::string action, TrackList before, std::string mergeKey) {
    if (mergeOpen_ && !mergeKey.empty() && mergeKey == undo_.back().mergeKey) return;
    Push(undo_, {std::move(action), std::move(before), std::move(mergeKey)});
    redo_.clear();
    mergeOpen_ = true;
}

std::string EditHistory::UndoAction() const { return undo_.empty() ? std::string() : undo_.back().action; }

std::string EditHistory::RedoAction() const { return redo_.empty() ? std::string() : redo_.back().action; }

bool EditHistory::Undo(TrackList& tracks) {
    if (!Swap(undo_, redo_, tracks)) return false;
    mergeOpen_ = false;
    return true;
}

bool EditHistory::Redo(TrackList& tracks) {
    if (!Swap(redo_, undo_, tracks)) return false;
    mergeOpen_ = false;
    return true;
}

void EditHistory::Clear() {
    undo_.clear();
    redo_.clear();
    mergeOpen_ = false;
}

void EditHistory::Push(std::deque<Step>& side, Step step) {
    side.push_back(std::move(step));
    while (side.size() > kDepth) side.pop_front();
}

bool EditHistory::Swap(std::deque<Step>& from, std::deque<Step>& to, TrackList& tracks) {
    if (from.empty()) return false;
    Step step = std::move(from.back());
    from.pop_back();
    CarryFileFlags(step.tracks, tracks);
    std::swap(step.tracks, tracks);
    Push(to, std::move(step));
    return true;
}

}  // namespace quillon::engine
