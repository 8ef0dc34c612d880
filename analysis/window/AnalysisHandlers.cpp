#include "analysis/window/AnalysisHandlers.h"

#include <QTimer>

#include "analysis/window/OverviewForm.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "app/window/WorkerThreads.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

// A recording shorter than this may well be one piece; a longer one found
// whole most likely needs other thresholds.
constexpr uint64_t kLongRecordingMs = 3 * 60 * 1000;

}  // namespace

AnalysisHandlers::AnalysisHandlers(FormPanel& form)
    : AnalyzeTimer(new QTimer(&form.Window())), form_(form), analysisRunner_(engine::RunAnalysis) {
    AnalyzeTimer->setInterval(100);
}

bool AnalysisHandlers::Running() const { return AnalysisJob && AnalysisJob->Job.State.load() == engine::JobRunning; }

void AnalysisHandlers::analyzeButtonClick() {
    if (!form_.Enabled(Control::Analyze) || form_.Previewing.load()) return;
    const std::string path = form_.FileNameText().toStdString();
    if (path.empty() || engine::ExtractFileDir(path).empty()) {
        engine::ShowErrorMessage(form_.Seam(), engine::MsgNeedFullPath);
        return;
    }
    if (!engine::FileExists(path)) {
        engine::ShowErrorMessage(form_.Seam(), engine::MsgFileDoesNotExist);
        return;
    }
    // The jobs never run at once: a save started by a hand-off leaves the
    // window free for other commands, but not for a new analysis; nor does
    // the overview's Find.
    if (Running() || form_.SaveRunning.load()) return;
    if (OverviewForm != nullptr && OverviewForm->Finding()) return;

    form_.SetEnabled(Control::Analyze, false);
    FreeAnalysisJob();
    form_.ClearTrackListView();
    auto task = std::make_shared<AnalysisTask>();
    form_.SetAnalysisControlsEnabled(false);
    form_.SetEnabled(Control::PlayStart, false);
    form_.SetEnabled(Control::PlayEnd, false);

    const engine::SettingsFile settings;
    if (path != form_.CurrentWaveFile) {
        form_.Details = engine::DefaultDetails(path);
        form_.History.Clear();
        form_.HistoryChanged();
    } else {
        // The list the new one replaces, so Undo can bring it back.
        task->Replaced = form_.TrackList;
    }
    form_.CurrentWaveFile = path;
    task->Job.FileName = path;
    task->Job.SilenceAmplitude = settings.Read(engine::keys::SilenceAmplitude);
    task->Job.SilenceDurationMs = engine::SilenceDurationToMs(settings.Read(engine::keys::SilenceDuration));
    task->Job.Progress.store(0);
    task->Job.AbortRequested.store(false);
    task->Job.State.store(engine::JobRunning);
    AnalysisJob = task;

    form_.ShowJobProgress();
    AnalyzeTimer->start();
    form_.UiBusy.store(true);
    form_.TrackList.clear();
    form_.TrackListSource.reset();
    ++form_.TrackListGeneration;
    LastAnalysis = {};
    OverviewChanged();
    StartAnalysisWorker(task);
}

void AnalysisHandlers::StartAnalysisWorker(const std::shared_ptr<AnalysisTask>& task) {
    const bool started = form_.Workers().Start([this, task, runner = analysisRunner_]() -> std::function<void()> {
        WorkerSeam seam(form_, task, task.get(), task->Job.AbortRequested, task->AbortPressed);
        runner(task->Job, task->Tracks, seam);
        return [this, task] { AnalysisWorkerEnded(task); };
    });
    if (started) return;
    FreeAnalysisJob();
    ReturnToIdle();
}

void AnalysisHandlers::ReturnToIdle() {
    AnalyzeTimer->stop();
    form_.HideJobProgress();
    form_.SetAnalysisControlsEnabled(true);
    form_.UpdateTrackButtons();
    form_.UiBusy.store(false);
}

void AnalysisHandlers::AnalysisWorkerEnded(const std::shared_ptr<AnalysisTask>& task) {
    const bool current = AnalysisJob == task;
    if (current && task->Job.State.load() != engine::JobFinished) FreeAnalysisJob();
    // An older aborted worker ending while a newer job runs leaves the window busy.
    if (!Running() && !form_.SaveRunning.load()) form_.UiBusy.store(false);
}

void AnalysisHandlers::AnalyzeTimerTimer() {
    if (!AnalysisJob) {
        AnalyzeTimer->stop();
        return;
    }
    engine::AnalysisJob& job = AnalysisJob->Job;
    form_.SetJobProgress(job.Progress.load());
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAnalyzingFile)) + form_.FileNameText());
    const int32_t state = job.State.load();
    if (state == engine::JobFinished) {
        AnalyzeTimer->stop();
        form_.TrackList = std::move(AnalysisJob->Tracks);
        form_.TrackListSource = job.Report.Source;
        LastAnalysis = {std::move(job.Report), job.SilenceAmplitude, job.SilenceDurationMs};
        form_.FillTrackListView();
        if (!AnalysisJob->Replaced.empty()) form_.RecordEdit("Analysis", std::move(AnalysisJob->Replaced));
        form_.SetAnalysisControlsEnabled(true);
        form_.HideJobProgress();
        job.Progress.store(0);
        form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAnalyzingCompleted)));
        FreeAnalysisJob();
        OverviewChanged();
        ExplainSingleTrack();
    } else if (state == engine::JobAborted) {
        AnalyzeTimer->stop();
        form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAbortedByUser)));
        form_.SetFileControlsEnabled(true);
        form_.UpdateTrackButtons();
    }
}

void AnalysisHandlers::AbortButtonClick() {
    if (!form_.Enabled(Control::Abort)) return;
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAbortedByUser)));
    form_.HideJobProgress();
    if (AnalysisJob) {
        AnalysisJob->AbortPressed.store(true);
        StopAnalysis();
    } else if (AbortSave) {
        AbortSave();
    }
}

void AnalysisHandlers::StopAnalysis() {
    AnalyzeTimer->stop();
    form_.ShowWaveInfo(0, 0, 0, 0, true);
    if (AnalysisJob) {
        AnalysisJob->Job.MarkAborted();
        form_.SetEnabled(Control::Analyze, true);
        form_.HideJobProgress();
        form_.SetEnabled(Control::FileName, true);
        form_.SetEnabled(Control::Preferences, true);
        form_.SetEnabled(Control::Browse, true);
        form_.SetEnabled(Control::Open, true);
    }
    form_.UpdateTrackButtons();
}

void AnalysisHandlers::OverviewMenuItemClick() {
    if (OverviewForm == nullptr) OverviewForm = new TOverviewForm(form_, *this, Overview);
    OverviewForm->show();
    OverviewForm->raise();
    OverviewForm->activateWindow();
}

void AnalysisHandlers::ExplainSingleTrack() {
    const engine::LevelOverview& overview = LastAnalysis.Report.Overview;
    if (form_.TrackList.size() != 1 || overview.SamplesPerSec == 0) return;
    if (overview.TotalFrames * 1000 / overview.SamplesPerSec <= kLongRecordingMs) return;
    if (form_.CurrentWaveFile == explainedFile_) return;
    if (!engine::SettingsFile().Read(engine::keys::ShowOverviewOnOneTrack)) return;
    explainedFile_ = form_.CurrentWaveFile;
    if (OverviewForm == nullptr) OverviewForm = new TOverviewForm(form_, *this, Overview);
    OverviewForm->ShowFind();
}

void AnalysisHandlers::OverviewChanged() {
    if (OverviewForm != nullptr) OverviewForm->Refresh();
}

void AnalysisHandlers::AbortAll() {
    if (AnalysisJob) AnalysisJob->Job.MarkAborted();
    if (OverviewForm != nullptr) OverviewForm->AbortFind();
}

}  // namespace quillon::app
