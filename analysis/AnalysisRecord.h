#pragma once
// The record of one analysis, shared by the window (or the command line) and the
// worker. Each worker holds its own record, so a finishing aborted worker never
// touches a newer job's record.

#include <atomic>
#include <cstdint>
#include <string>

#include "analysis/AnalysisReport.h"

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

}  // namespace quillon::engine
