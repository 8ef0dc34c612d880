#include "preview/PreviewRange.h"

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"

namespace quillon::engine {
namespace {

uint32_t TextToMs(const std::string& text) {
    const ParsedTime t = ParseTimeParts(text);
    return uint32_t(MinSecToMs(t.minutes, t.seconds, t.milliseconds));
}

}  // namespace

PreviewRange ComputePreviewRange(const std::string& startText, const std::string& stopText, PreviewMode mode,
                                 int32_t endSeconds) {
    const uint32_t stop = TextToMs(stopText);
    if (mode == PreviewFromStart) return {TextToMs(startText), stop};
    const uint32_t length = uint32_t(endSeconds) * 1000u;
    return {stop > length ? stop - length : TextToMs(startText), stop};
}

int PlayerErrorToMessage(uint32_t code) {
    switch (code) {
    case 0: return 0;
    case 100: return MsgPlayerNoFileName;
    case 101: return MsgPlaybackGoingOn;
    case 102: return MsgPlayerSourceMissing;
    case 103:
    case 115:
    case 116: return MsgNotEnoughMemory;
    case 104: return MsgNoPlaybackDevice;
    case 105: return MsgCannotOpenOutputDevice;
    case 106: return MsgCannotPrepareBuffers;
    case 107: return MsgPlayerNotWave;
    case 108: return MsgPlayerNoFmtChunk;
    case 109: return MsgPlayerNotPcm;
    case 110: return MsgNoDataChunk;
    case 113: return MsgPlayerCannotSeek;
    case 114: return MsgPlayerCannotAscend;
    case 117: return MsgPlayerNoData;
    default: return MsgPlayerUnknownError;
    }
}

}  // namespace quillon::engine
