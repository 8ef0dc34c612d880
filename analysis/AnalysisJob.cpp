#include "analysis/AnalysisJob.h"

#include <algorithm>
#include <limits>

#include "analysis/SilenceDetect.h"

namespace quillon::engine {

int32_t SilenceDurationToMs(int32_t seconds) {
    const int64_t ms = int64_t(seconds) * 1000;
    return int32_t(std::clamp<int64_t>(ms, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void RunAnalysis(AnalysisJob& job, TrackList& tracks, WindowSeam& seam) {
    AnalyzeWaveFile(job.FileName, job.SilenceAmplitude, job.SilenceDurationMs, job, tracks, seam, &job.Report);
    if (job.AbortRequested.load()) tracks.clear();
    else job.State.store(JobFinished);
}

}  // namespace quillon::engine
