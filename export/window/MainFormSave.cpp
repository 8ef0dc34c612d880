// The save job: the window's side. The work itself is the engine's RunSaveJob
// on a worker of its own; the window marks the tracks, polls the record every
// 100 ms and takes the saved flags back when the worker ends.
#include <QComboBox>
#include <QProgressBar>
#include <QTimer>


#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "export/OutputFolder.h"
#include "export/mp3/WaveToMP3.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"

namespace quillon::app {

void TMainForm::SaveButtonClick() {
    if (!SaveButton->Enabled()) return;
    SetStatusText({});
    const bool mp3 = FileTypeComboBox->currentText().compare("MP3", Qt::CaseInsensitive) == 0;
    SaveCheckedTracks(mp3 ? engine::SaveType::Mp3 : engine::SaveType::Wave, false, false);
}

void TMainForm::SaveCheckedTracks(engine::SaveType type, bool skipSavedWaves, bool handOff) {
    if (!AnyTrackChecked()) {
        engine::ShowErrorMessage(*seam_, engine::MsgCheckTrackToSave);
        SetFileControlsEnabled(true);
        AnalyzeButton->SetEnabled(true);
        PreferencesMenuItem->setEnabled(true);
        return;
    }
    SetJobControlsEnabled(false);
    const std::vector<bool> checks = RowChecks();
    const std::string folder = engine::GetOutputFolder(CurrentWaveFile);
    engine::MarkTracksToSave(TrackList, checks, skipSavedWaves, folder);
    if (type == engine::SaveType::Mp3 && !CheckMp3Readiness()) {
        SetJobControlsEnabled(true);
        UpdateTrackButtons();
        return;
    }

    FreeSaveJob();
    auto job = std::make_shared<engine::SaveJob>();
    job->SourcePath = CurrentWaveFile;
    job->Tracks = TrackList;
    job->CheckedDurationMs = engine::CheckedTracksDuration(TrackList, checks);
    job->SaveAsMp3 = type == engine::SaveType::Mp3;
    job->CodecName = CurrentCodecName;
    job->BitRate = CurrentBitRate;
    job->OutputFolder = folder;
    job->HandOff = handOff;
    job->State.store(engine::JobRunning);
    SaveJob = job;

    ProgressBar->setValue(0);
    SaveFileTimer->start();
    AbortButton->SetEnabled(true);
    AbortButton->show();
    ProgressBar->show();
    ProgressBar->setEnabled(true);
    SaveRunning = true;
    UiBusy = true;
    StartSaveWorker(job);
}

void TMainForm::StartSaveWorker(const std::shared_ptr<engine::SaveJob>& job) {
    const bool started = StartWorker([this, job, hooks = MakeSaveHooks(job)]() -> std::function<void()> {
        WorkerSeam seam(*this, job, job.get(), job->AbortRequested);
        const engine::SaveEnd end = engine::RunSaveJob(*job, seam, hooks);
        return [this, job, end] { SaveWorkerEnded(job, end); };
    });
    if (!started) {
        FreeSaveJob();
        SaveRunning = false;
        UiBusy = false;
        SaveFileTimer->stop();
        HideJobProgress();
        SetJobControlsEnabled(true);
        UpdateTrackButtons();
    }
}

void TMainForm::SaveWorkerEnded(const std::shared_ptr<engine::SaveJob>& job, engine::SaveEnd end) {
    // The worker wrote the saved flags into its own copy of the list.
    if (job->Tracks.size() == TrackList.size()) {
        for (std::size_t i = 0; i < TrackList.size(); ++i) TrackList[i].WaveSaved = job->Tracks[i].WaveSaved;
    }
    // The timer may have let go of a finished job already; only a newer job
    // keeps the window busy.
    if (SaveJob && SaveJob != job) return;
    SaveRunning = false;
    if (end == engine::SaveEnd::Aborted) FreeSaveJob();
    if (!AnalysisJob) UiBusy = false;
}

void TMainForm::SaveFileTimerTimer() {
    SaveFileTimer->stop();
    if (!SaveJob) return;
    engine::SaveJob& job = *SaveJob;
    if (job.InMp3Phase.load()) {
        ShowMp3Status(job);
    } else {
        SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgCreatingWave) + job.WaveOutputPath()));
        ProgressBar->setValue(job.Progress.load());
    }
    if (job.State.load() == engine::JobFinished) {
        HideJobProgress();
        SetJobControlsEnabled(true);
        UpdateTrackButtons();
        ProgressBar->setValue(0);
        SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgProcessCompleted)));
        FreeSaveJob();
    } else if (job.AbortRequested.load()) {
        HideJobProgress();
        SetStatusText(" ");
        SetJobControlsEnabled(true);
        UpdateTrackButtons();
        FreeSaveJob();
    } else {
        SaveFileTimer->start();
    }
}

void TMainForm::AbortSave() {
    SaveFileTimer->stop();
    SetJobControlsEnabled(true);
    UpdateTrackButtons();
    SaveJob->MarkAborted();
    if (!SaveJob->InMp3Phase.load()) return;
    if (engine::LameInUse.load()) {
        engine::LameAbortRequested = true;
    } else {
        try {
            engine::Converter().StopConversionWavToMP3();
        } catch (...) {
            // A converter that cannot be stopped ends on its own.
        }
    }
}

void TMainForm::FreeSaveJob() { SaveJob.reset(); }

}  // namespace quillon::app
