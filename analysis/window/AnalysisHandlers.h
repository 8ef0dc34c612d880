#pragma once
// The analysis job, the window's side: Analyze starts the engine's analysis on
// a worker, a 100 ms timer polls its record and takes the tracks over when it
// has finished, and Abort stops it (or the running save). A single track found
// in a long recording brings the overview to the front, which says why, once
// for each file and unless the user turned that off there.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "analysis/AnalysisJob.h"
#include "analysis/window/OverviewHooks.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"

class QTimer;

namespace quillon::app {

class FormPanel;
class TOverviewForm;

// One analysis: the shared record and the tracks its worker finds. The worker
// holds its own reference, so an aborted worker that is still finishing never
// empties or frees a newer job's state; the window takes the tracks over only
// once the job is finished.
struct AnalysisTask {
    engine::AnalysisJob Job;
    engine::TrackList Tracks;
    engine::TrackList Replaced;             // the list of the same file that this one replaces
    std::atomic<bool> AbortPressed{false};  // the user's Abort, as against a failing job's own
};

// What the analysis worker runs; the engine's RunAnalysis unless a test says otherwise.
using AnalysisRunner = std::function<void(engine::AnalysisJob&, engine::TrackList&, engine::WindowSeam&)>;

class AnalysisHandlers {
public:
    explicit AnalysisHandlers(FormPanel& form);

    std::shared_ptr<AnalysisTask> AnalysisJob;  // null when there is none
    QTimer* AnalyzeTimer = nullptr;
    // The last finished analysis: what it learnt and the thresholds it used
    // (an empty overview before the first one and while one runs).
    struct Finished {
        engine::AnalysisReport Report;
        int32_t AmplitudePercent = 0;
        int32_t MinSilenceMs = 0;
    };
    Finished LastAnalysis;
    TOverviewForm* OverviewForm = nullptr;  // made when first shown
    // Wired in by the main window: Abort's press when no analysis runs (the
    // save's abort), and what the overview asks of the other features.
    std::function<void()> AbortSave;
    OverviewHooks Overview;

    void analyzeButtonClick();
    void AnalyzeTimerTimer();
    void AbortButtonClick();
    void StopAnalysis();
    void FreeAnalysisJob() { AnalysisJob.reset(); }
    // Whether an analysis is running now.
    [[nodiscard]] bool Running() const;
    void SetAnalysisRunner(AnalysisRunner runner) { analysisRunner_ = std::move(runner); }
    // View > Overview.
    void OverviewMenuItemClick();
    // Asks every job of the analysis side to stop: the analysis and a Find.
    void AbortAll();

private:
    void StartAnalysisWorker(const std::shared_ptr<AnalysisTask>& task);
    void AnalysisWorkerEnded(const std::shared_ptr<AnalysisTask>& task);
    void ReturnToIdle();
    void OverviewChanged();
    void ExplainSingleTrack();

    FormPanel& form_;
    AnalysisRunner analysisRunner_;
    std::string explainedFile_;  // the file whose single track the overview was last brought up for
};

}  // namespace quillon::app
