#pragma once
// The silence scan's machinery: the data chunk in blocks, spread over threads.
// Each thread takes the next block not yet taken, judges its frames (vector
// instructions chosen at run time) and gathers, when asked, its level
// overview in the same pass; the silences that cross block edges are joined
// when the blocks are put back in order. The answer is the plain single-thread
// scan's: the same silences, frames scanned, outcome and overview.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/AnalysisRecord.h"
#include "analysis/FrameScan.h"
#include "analysis/LevelOverview.h"
#include "analysis/SilenceDetect.h"
#include "platform/FileView.h"

namespace quillon::engine {

enum class ScanSource {
    // Positioned reads into a small buffer per thread, which stays in the
    // processor's cache. The default: where the benchmarks run (a virtual
    // machine whose page tables the hypervisor shadows), a page first touched
    // through a new mapping costs microseconds, and bench/analyze.sh finds the
    // mapped scan 4 to 5 times as slow as this one, which the kernel's copy
    // out of the page cache bounds.
    Read,
    // Windows of one block mapped straight from the page cache and unmapped
    // behind, each no longer than the file is when it is mapped; a block is
    // read instead where mapping fails or the file is cut short under it.
    Map,
};

inline constexpr unsigned kMaxScanThreads = 4;

struct ScanSettings {
    uint32_t BlockBytes = 4194304;  // a block: this, rounded down to whole frames (at least one)
    uint32_t PieceBytes = 262144;   // read, or judged when mapped, at a time (at least 64 frames)
    unsigned Threads = 0;           // 0: one a processor, at most kMaxScanThreads
    ScanSource Source = ScanSource::Read;
    VectorLevel Vectors = VectorLevel::Best;

    // For tests. BeforeBlock runs on the thread that takes a block, after its
    // abort check and before the block is read or mapped; AfterMap once its
    // window is mapped, before it is read. MapWindow maps a window in place
    // of FileView::Map (a test makes it fail).
    std::function<void(uint64_t block)> BeforeBlock;
    std::function<void(uint64_t block)> AfterMap;
    bool (*MapWindow)(platform::FileView& view, int fd, int64_t offset, std::size_t length) = nullptr;
};

struct ScanResult {
    ScanOutcome Outcome = ScanOutcome::Completed;  // Completed, ShortRead or Aborted
    uint64_t FramesScanned = 0;                    // whole frames, up to where the file ended
    std::vector<SilenceSpan> Spans;                // the qualifying silences, in order
    // The longest run of silent frames that ended before the data did, of any
    // length (the first of them when several are as long).
    uint64_t LongestStart = 0, LongestFrames = 0;
};

// The data chunk of an open file: dataSize bytes from dataOffset, frames of
// format (block align at least the tested bytes). Progress and AbortRequested
// go through job as AnalyzeWaveFile says. Silences are runs of frames silent
// at amplitudePercent longer than minFrames. When overview is given, it
// receives the peaks of the frames scanned (its Finish is the caller's).
[[nodiscard]] ScanResult ScanDataChunk(int fd, int64_t dataOffset, uint64_t dataSize, const WaveFormat& format,
                                       int32_t amplitudePercent, uint32_t minFrames, AnalysisJob& job,
                                       OverviewBuilder* overview, const ScanSettings& settings);

// AnalyzeWaveFile with the scan's machinery chosen: for tests and benchmarks.
ScanOutcome AnalyzeWaveFile(const std::string& path, int32_t amplitudePercent, int32_t minSilenceMs, AnalysisJob& job,
                            TrackList& tracks, WindowSeam& seam, AnalysisReport* report, const ScanSettings& settings);

}  // namespace quillon::engine
