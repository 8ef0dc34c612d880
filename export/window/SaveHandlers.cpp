#include "export/window/SaveHandlers.h"

#include <QTimer>
#include <QWidget>

#include <thread>

#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "app/window/WorkerThreads.h"
#include "export/OutputFolder.h"
#include "export/flac/FlacSave.h"
#include "export/tags/Mp3Tags.h"
#include "export/window/Mp3Handlers.h"
#include "settings/Settings.h"

namespace quillon::app {

SaveHandlers::SaveHandlers(FormPanel& form, Mp3Handlers& mp3)
    : SaveFileTimer(new QTimer(&form.Window())), form_(form), mp3_(mp3) {
    SaveFileTimer->setInterval(100);
    mp3.CurrentSave = [this] { return SaveJob; };
}

void SaveHandlers::SaveButtonClick() {
    if (!form_.Enabled(Control::Save)) return;
    form_.SetStatusText({});
    SaveCheckedTracks(form_.ChosenSaveType(), false, false);
}

void SaveHandlers::SaveCheckedTracks(engine::SaveType type, bool skipSavedWaves, bool handOff) {
    if (!form_.AnyTrackChecked()) {
        engine::ShowErrorMessage(form_.Seam(), engine::MsgCheckTrackToSave);
        form_.SetFileControlsEnabled(true);
        form_.SetEnabled(Control::Analyze, true);
        form_.SetEnabled(Control::Preferences, true);
        return;
    }
    form_.SetJobControlsEnabled(false);
    const std::vector<bool> checks = form_.RowChecks();
    const std::string folder = engine::GetOutputFolder(form_.CurrentWaveFile);
    engine::MarkTracksToSave(form_.TrackList, checks, skipSavedWaves, folder);
    Mp3Handlers& mp3 = mp3_;
    if (type == engine::SaveType::Mp3 && !mp3.CheckMp3Readiness()) {
        form_.SetJobControlsEnabled(true);
        form_.UpdateTrackButtons();
        return;
    }

    FreeSaveJob();
    auto job = std::make_shared<engine::SaveJob>();
    job->SourcePath = form_.CurrentWaveFile;
    job->Tracks = form_.TrackList;
    job->Analysed = form_.TrackListSource;
    job->CheckedDurationMs = engine::CheckedTracksDuration(form_.TrackList, checks);
    job->SaveAsMp3 = type == engine::SaveType::Mp3;
    job->SaveAsFlac = type == engine::SaveType::Flac;
    // Read at each save, as every setting is; the dialog keeps it in range,
    // a hand-edited file may not.
    const engine::SettingsFile settings;
    job->FlacLevel = unsigned(settings.ReadInRange(engine::keys::FlacLevel, 0, engine::keys::kFlacLevelMax));
    job->Details = form_.Details;
    job->TagMp3 = settings.Read(engine::keys::WriteMp3Tags);
    job->CodecName = mp3.CurrentCodecName;
    job->BitRate = mp3.CurrentBitRate;
    job->OutputFolder = folder;
    job->WaveCopies = 0;  // two tracks copied at once where there are two cores
    job->HandOff = handOff;
    job->State.store(engine::JobRunning);
    SaveJob = job;

    form_.ShowJobProgress();
    SaveFileTimer->start();
    form_.SaveRunning = true;
    form_.UiBusy = true;
    StartSaveWorker(job);
}

void SaveHandlers::StartSaveWorker(const std::shared_ptr<engine::SaveJob>& job) {
    const uint64_t list = form_.TrackListGeneration;
    const bool started = form_.Workers().Start(
        [this, job, list, hooks = MakeSaveHooks(job)]() -> std::function<void()> {
            // Only the Abort button requests a save's abort.
            WorkerSeam seam(form_, job, job.get(), job->AbortRequested, job->AbortRequested);
            const engine::SaveEnd end = engine::RunSaveJob(*job, seam, hooks);
            return [this, job, end, list] { SaveWorkerEnded(job, end, list); };
        });
    if (!started) {
        FreeSaveJob();
        form_.SaveRunning = false;
        form_.UiBusy = false;
        SaveFileTimer->stop();
        form_.HideJobProgress();
        form_.SetJobControlsEnabled(true);
        form_.UpdateTrackButtons();
    }
}

engine::SaveHooks SaveHandlers::MakeSaveHooks(const std::shared_ptr<engine::SaveJob>& job) {
    engine::SaveHooks hooks;
    hooks.OutputFolder = [source = form_.CurrentWaveFile] { return engine::GetOutputFolder(source); };
    hooks.Sleep = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
    if (job->HandOff && CompanionStep) hooks.LaunchCompanion = CompanionStep();
    hooks.ConvertToMp3 = mp3_.ConvertStep(job);
    hooks.EncodeFlac = engine::EncodeFlacConversion;
    hooks.TagMp3 = engine::TagMp3Conversion;
    return hooks;
}

void SaveHandlers::SaveWorkerEnded(const std::shared_ptr<engine::SaveJob>& job, engine::SaveEnd end,
                                   uint64_t listGeneration) {
    // The worker wrote the saved flags, and which files it brought up to date,
    // into its own copy of the list; they belong to the list the save was
    // started from, and to no later one.
    engine::TrackList& tracks = form_.TrackList;
    if (listGeneration == form_.TrackListGeneration && job->Tracks.size() == tracks.size()) {
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            tracks[i].WaveSaved = job->Tracks[i].WaveSaved;
            tracks[i].Outdated = job->Tracks[i].Outdated;
        }
    }
    // The timer may have let go of a finished job already; only a newer job
    // keeps the window busy.
    if (SaveJob && SaveJob != job) return;
    form_.SaveRunning = false;
    if (end == engine::SaveEnd::Aborted) FreeSaveJob();
    if (!form_.AnalysisRunning()) form_.UiBusy = false;
}

void SaveHandlers::SaveFileTimerTimer() {
    SaveFileTimer->stop();
    if (!SaveJob) return;
    engine::SaveJob& job = *SaveJob;
    // A FLAC save has no wave phase: its encodings are all there is.
    if (job.InMp3Phase.load() || job.SaveAsFlac) {
        mp3_.ShowMp3Status(job);
    } else {
        form_.SetStatusText(
            QString::fromStdString(engine::MessageText(engine::MsgCreatingWave) + job.WaveOutputPath()));
        form_.SetJobProgress(job.Progress.load());
    }
    if (job.State.load() == engine::JobFinished) {
        form_.HideJobProgress();
        form_.SetJobControlsEnabled(true);
        form_.UpdateTrackButtons();
        form_.SetJobProgress(0);
        form_.SetStatusText(QString::fromStdString(engine::SaveEndText(job)));
        FreeSaveJob();
    } else if (job.AbortRequested.load()) {
        form_.HideJobProgress();
        form_.SetStatusText(" ");
        form_.SetJobControlsEnabled(true);
        form_.UpdateTrackButtons();
        FreeSaveJob();
    } else {
        SaveFileTimer->start();
    }
}

void SaveHandlers::AbortSave() {
    SaveFileTimer->stop();
    form_.SetJobControlsEnabled(true);
    form_.UpdateTrackButtons();
    SaveJob->MarkAborted();
    mp3_.StopConversions(*SaveJob);
}

}  // namespace quillon::app
