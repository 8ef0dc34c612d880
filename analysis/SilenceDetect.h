#pragma once
// Finds the silences of a wave file and cuts it into tracks at their middles.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/AnalysisRecord.h"
#include "analysis/AnalysisReport.h"
#include "analysis/WaveFormat.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"

namespace quillon::engine {

// Whether one frame is silent: its first sample (mono) or first two samples
// (any other channel count) are strictly below percent of full scale
// (FullScale: 128 at 8 bits, 32767 at 16, 2^(valid bits - 1) - 1 for wider
// integers after their valid-bit shift, 1.0 for floating point); a float
// sample above 1.0, or NaN, is never silent. frame must hold
// TestedFrameBytes(format) bytes.
[[nodiscard]] bool IsSilentFrame(const uint8_t* frame, const WaveFormat& format, int32_t percent);

// The minimum silence in frames: round(rate * ms / 1000), halves to even, low 32 bits.
[[nodiscard]] uint32_t MinimumSilenceFrames(uint32_t samplesPerSec, int32_t minSilenceMs);

enum class ScanOutcome {
    Completed,  // every whole frame of the data chunk was scanned
    ShortRead,  // the file ended early; tracks were built from what was read
    Aborted,    // AbortRequested was seen; no tracks
    Failed,     // a message was shown, the job marked aborted and StopAnalysis called
};

// Scans path block by block (4 MiB rounded down to whole frames; the blocks
// shared among the processor's cores, analysis/BlockScan.h), writing
// job.Progress once per block (it only rises) and seeing job.AbortRequested
// within one block, and appends the tracks to tracks. Reports the file's facts
// with ShowWaveInfo. Only when report is given is the level overview gathered
// (in the same pass): report receives it for the frames scanned and, for a
// single track, the nothing-found report (left alone on an abort or a failure).
ScanOutcome AnalyzeWaveFile(const std::string& path, int32_t amplitudePercent, int32_t minSilenceMs, AnalysisJob& job,
                            TrackList& tracks, WindowSeam& seam, AnalysisReport* report = nullptr);

// Appends spans.size() + 1 tracks named after path ("Side A.0001", ...), each
// boundary in the middle of a silence, the last one ending at totalFrames.
// Times are FramesToMs of the frames, in their low 32 bits.
void BuildTracks(const std::vector<SilenceSpan>& spans, uint64_t totalFrames, const std::string& path,
                 const WaveFormat& format, TrackList& tracks);

}  // namespace quillon::engine
