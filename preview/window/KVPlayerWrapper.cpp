#include "preview/window/KVPlayerWrapper.h"

#include "libs/ZORodaVodere/ZORodaVodere.h"

namespace quillon::app {

PreviewPlayer LibraryPlayer() {
    return {
        [](const std::string& file, uint32_t startMs, uint32_t stopMs) {
            return ::AudioPlayWave(file.c_str(), startMs, 0, 0, 0, stopMs);
        },
        [] { return ::AudioGetPosition(0); },
        [] { return ::AudioStop(); },
    };
}

}  // namespace quillon::app
