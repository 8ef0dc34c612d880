#include "analysis/AnalysisJob.h"

#include "analysis/SilenceDetect.h"

namespace quillon::engine {

int32_t SilenceDurationToMs(int32_t seconds) { return int32_t(uint32_t(seconds) * 1000u); }

void RunAnalysis(AnalysisJob& job, TrackList& tracks, WindowSeam& seam) {
    AnalyzeWaveFile(job.FileName, job.SilenceAmplitude, job.SilenceDurationMs, job, tracks, seam, &job.Report);
    if (job.AbortRequested.load()) tracks.clear();
    else job.State.store(JobFinished);
}

}  // namespace quillon::engine
