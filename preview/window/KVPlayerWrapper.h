#pragma once
// The window's way to the preview player: the library's three calls, held as
// replaceable functions so the window tests can stand in for the sound.

#include <cstdint>
#include <functional>
#include <string>

namespace quillon::app {

struct PreviewPlayer {
    // 0 when playback started, else the player's code.
    std::function<uint16_t(const std::string& file, uint32_t startMs, uint32_t stopMs)> AudioPlayWave;
    // The position reached in ms; 0 when nothing plays.
    std::function<uint32_t()> AudioGetPosition;
    // 0 when stopped, else the player's code.
    std::function<uint16_t()> AudioStop;
};

// The player library itself.
[[nodiscard]] PreviewPlayer LibraryPlayer();

}  // namespace quillon::app
