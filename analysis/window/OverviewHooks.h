#pragma once
// What the overview asks of the other features, wired in by the main window:
// the preview's position, playing a stretch, stopping the preview, and the
// list's Undo and Redo.

#include <cstdint>
#include <functional>
#include <optional>

namespace quillon::app {

struct OverviewHooks {
    // Where a preview plays now, in ms; nothing before the first sample.
    std::function<std::optional<uint32_t>()> PlayPosition;
    // Plays startMs..stopMs of the recording through the preview, as Play does.
    std::function<void(uint32_t startMs, uint32_t stopMs)> PlayRange;
    std::function<void()> StopPreview;
    std::function<void()> Undo;
    std::function<void()> Redo;
};

}  // namespace quillon::app
