#pragma once
// What a preview plays, and how the player's result codes become messages.

#include <cstdint>
#include <string>

namespace quillon::engine {

enum PreviewMode : int { PreviewFromStart = 0, PreviewEnd = 1 };

struct PreviewRange {
    uint32_t start;  // ms from the start of the file
    uint32_t stop;
};

// From the start: the whole track. The end: the last endSeconds before the
// stop, measured back from the stop position itself, so a short track late in
// the file starts before its own start; when the stop is not beyond
// endSeconds, the whole track. endSeconds 0 gives start == stop.
[[nodiscard]] PreviewRange ComputePreviewRange(const std::string& startText, const std::string& stopText,
                                               PreviewMode mode, int32_t endSeconds);

// The message number for a player result code: 0 for 0, 100 for any code
// without a message of its own.
[[nodiscard]] int PlayerErrorToMessage(uint32_t code);

}  // namespace quillon::engine
