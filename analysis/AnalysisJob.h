#pragma once
// The record of one analysis, shared by the window (or the command line) and the
// worker. Each worker holds its own record, so a finishing aborted worker never
// touches a newer job's record.

#include <atomic>
#include <cstdint>
#include <string>

#include "analysis/AnalysisReport.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"

namespace quillon::engine {

enum JobState : int32_t { JobNone = 0, JobAborted = 1, JobRunning = 3, JobFinished = 4 };

struct AnalysisJob {
    std::atomic<int32_t> Progress{0};         // percent of the data chunk scanned
    std::atomic<int32_t> State{JobNone};      // a JobState
    int32_t SilenceAmplitude = 0;             // percent of full scale; set before the worker starts
    int32_t SilenceDurationMs = 0;            // minimum silence; set before the worker starts
    std::string FileName;                     // set before the worker starts
    std::atomic<bool> AbortRequested{false};  // stop at the next block
    AnalysisReport Report;                    // written by the worker; read once State is JobFinished

    // What StopAnalysis does to the record: the worker then treats the job as aborted.
    void MarkAborted() {
        State.store(JobAborted);
        AbortRequested.store(true);
    }
};

// The minimum silence in milliseconds for a duration setting in seconds (a
// hand-edited setting is not checked); beyond the 32-bit range it saturates,
// so a huge minimum never becomes a short one.
[[nodiscard]] int32_t SilenceDurationToMs(int32_t seconds);

// The worker's work: scans job.FileName into tracks and job.Report. On an
// abort (the Abort button or a failure inside the scan) tracks is emptied;
// otherwise State becomes JobFinished.
void RunAnalysis(AnalysisJob& job, TrackList& tracks, WindowSeam& seam);

}  // namespace quillon::engine
