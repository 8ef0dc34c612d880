// The analysis job: start, worker, 100 ms polling, Abort, and the three ends.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include <system_error>

#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "app/Util.h"
#include "settings/Settings.h"

namespace quillon::app {

void TMainForm::analyzeButtonClick() {
    if (!AnalyzeButton->Enabled() || Previewing.load()) return;
    const std::string path = FileNameEdit->text().toStdString();
    if (path.empty() || engine::ExtractFileDir(path).empty()) {
        engine::ShowErrorMessage(*seam_, engine::MsgNeedFullPath);
        return;
    }
    if (!engine::FileExists(path)) {
        engine::ShowErrorMessage(*seam_, engine::MsgFileDoesNotExist);
        return;
    }
    if (AnalysisJob && AnalysisJob->Job.State.load() == engine::JobRunning) return;

    AnalyzeButton->SetEnabled(false);
    FreeAnalysisJob();
    TrackListView->clear();
    auto task = std::make_shared<AnalysisTask>();
    SetAnalysisControlsEnabled(false);
    PreViewTrackStartButton->SetEnabled(false);
    PreViewTrackEndButton->SetEnabled(false);

    const engine::SettingsFile settings;
    CurrentWaveFile = path;
    task->Job.FileName = path;
    task->Job.SilenceAmplitude = settings.Read(engine::keys::SilenceAmplitude);
    task->Job.SilenceDurationMs = engine::SilenceDurationToMs(settings.Read(engine::keys::SilenceDuration));
    task->Job.Progress.store(0);
    task->Job.AbortRequested.store(false);
    task->Job.State.store(engine::JobRunning);
    AnalysisJob = task;

    AbortButton->show();
    AbortButton->SetEnabled(true);
    ProgressBar->show();
    ProgressBar->setEnabled(true);
    ProgressBar->setValue(0);
    AnalyzeTimer->start();
    UiBusy.store(true);
    ClearTrackList();
    StartAnalysisWorker(task);
}

bool TMainForm::StartWorker(std::function<std::function<void()>()> work) {
    // Marked here, not in the worker, so that a shutdown in between still waits.
    WorkerIdleEvent.WorkerStarted();
    try {
        std::thread worker([this, work = std::move(work)] {
            std::function<void()> ended = work();
            const std::thread::id self = std::this_thread::get_id();
            QMetaObject::invokeMethod(
                this,
                [this, ended = std::move(ended), self] {
                    JoinWorker(self);
                    ended();
                },
                Qt::QueuedConnection);
            WorkerIdleEvent.WorkerEnded();  // the last thing the worker does
        });
        const std::thread::id id = worker.get_id();
        workers_.emplace(id, std::move(worker));
        return true;
    } catch (const std::system_error&) {
        WorkerIdleEvent.WorkerEnded();
        return false;
    }
}

void TMainForm::StartAnalysisWorker(const std::shared_ptr<AnalysisTask>& task) {
    const bool started = StartWorker([this, task, runner = analysisRunner_]() -> std::function<void()> {
        WorkerSeam seam(*this, task, task.get(), task->Job.AbortRequested);
        runner(task->Job, task->Tracks, seam);
        return [this, task] { AnalysisWorkerEnded(task); };
    });
    if (started) return;
    FreeAnalysisJob();
    ReturnToIdle();
}

void TMainForm::ReturnToIdle() {
    AnalyzeTimer->stop();
    HideJobProgress();
    SetAnalysisControlsEnabled(true);
    UpdateTrackButtons();
    UiBusy.store(false);
}

void TMainForm::JoinWorker(std::thread::id worker) {
    if (auto it = workers_.find(worker); it != workers_.end()) {
        it->second.join();
        workers_.erase(it);
    }
}

void TMainForm::AnalysisWorkerEnded(const std::shared_ptr<AnalysisTask>& task) {
    const bool current = AnalysisJob == task;
    if (current && task->Job.State.load() != engine::JobFinished) FreeAnalysisJob();
    // An older aborted worker ending while a newer job runs leaves the window busy.
    const bool newerJobRunning = AnalysisJob && AnalysisJob->Job.State.load() == engine::JobRunning;
    if (!newerJobRunning && !SaveRunning.load()) UiBusy.store(false);
}

void TMainForm::AnalyzeTimerTimer() {
    if (!AnalysisJob) {
        AnalyzeTimer->stop();
        return;
    }
    engine::AnalysisJob& job = AnalysisJob->Job;
    ProgressBar->setValue(job.Progress.load());
    SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAnalyzingFile)) + FileNameEdit->text());
    const int32_t state = job.State.load();
    if (state == engine::JobFinished) {
        AnalyzeTimer->stop();
        TrackList = std::move(AnalysisJob->Tracks);
        FillTrackListView();
        SetAnalysisControlsEnabled(true);
        HideJobProgress();
        job.Progress.store(0);
        SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAnalyzingCompleted)));
        FreeAnalysisJob();
    } else if (state == engine::JobAborted) {
        AnalyzeTimer->stop();
        SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAbortedByUser)));
        SetFileControlsEnabled(true);
        UpdateTrackButtons();
    }
}

void TMainForm::AbortButtonClick() {
    if (!AbortButton->Enabled()) return;
    SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgAbortedByUser)));
    HideJobProgress();
    if (AnalysisJob) StopAnalysis();
    else if (SaveJob) AbortSave();
}

void TMainForm::StopAnalysis() {
    AnalyzeTimer->stop();
    ShowWaveInfo(0, 0, 0, 0, true);
    if (AnalysisJob) {
        AnalysisJob->Job.MarkAborted();
        AnalyzeButton->SetEnabled(true);
        HideJobProgress();
        FileNameEdit->setEnabled(true);
        PreferencesMenuItem->setEnabled(true);
        BrowseButton->SetEnabled(true);
        OpenMenuItem->setEnabled(true);
    }
    UpdateTrackButtons();
}

void TMainForm::HideJobProgress() {
    ProgressBar->hide();
    ProgressBar->setEnabled(false);
    AbortButton->SetEnabled(false);
    AbortButton->hide();
}

bool TMainForm::IsCurrentAnalysis(const void* job) const { return AnalysisJob && AnalysisJob.get() == job; }

void TMainForm::WorkerShowWaveInfo(const void* job, uint32_t durationMs, uint32_t samplesPerSec,
                                   uint32_t bitsPerSample, uint32_t channels, bool clear) {
    if (IsCurrentAnalysis(job)) ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, clear);
}

bool TMainForm::IsCurrentJob(const void* job) const {
    return IsCurrentAnalysis(job) || (SaveJob && SaveJob.get() == job);
}

void TMainForm::WorkerSetStatusText(const void* job, const std::string& text) {
    if (IsCurrentJob(job)) SetStatusText(QString::fromStdString(text));
}

void TMainForm::WorkerStopAnalysis(const void* job) {
    if (IsCurrentAnalysis(job)) StopAnalysis();
}

void TMainForm::StopAndJoinWorkers() {
    if (AnalysisJob) AnalysisJob->Job.MarkAborted();
    if (SaveJob) SaveJob->MarkAborted();
    WorkerIdleEvent.Wait();
    for (auto& [id, worker] : workers_) worker.join();
    workers_.clear();
}

}  // namespace quillon::app
