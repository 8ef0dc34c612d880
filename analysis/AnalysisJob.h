#pragma once
// The analysis job: what the worker runs on its record (AnalysisRecord.h), and
// the minimum silence it is given.

#include <cstdint>

#include "analysis/AnalysisRecord.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"

namespace quillon::engine {

// The minimum silence in milliseconds for a duration setting in seconds (a
// hand-edited setting is not checked); beyond the 32-bit range it saturates,
// so a huge minimum never becomes a short one.
[[nodiscard]] int32_t SilenceDurationToMs(int32_t seconds);

// The worker's work: scans job.FileName into tracks and job.Report. On an
// abort (the Abort button or a failure inside the scan) tracks is emptied;
// otherwise State becomes JobFinished.
void RunAnalysis(AnalysisJob& job, TrackList& tracks, WindowSeam& seam);

}  // namespace quillon::engine
