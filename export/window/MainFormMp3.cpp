// MP3 saves: the readiness check before the job, the job's conversion step,
// and the status of a conversion in progress.
#include <QDialog>
#include <QProgressBar>

#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/UserDialogs.h"
#include "export/window/CodecMessageUnit.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "export/OutputFolder.h"
#include "export/window/SaveAsMp3.h"
#include "export/mp3/WaveToMP3.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "settings/Settings.h"

namespace quillon::app {

bool TMainForm::CheckMp3Readiness() {
    if (!LameAvailable) {
        const uint16_t code = engine::Converter().IsValidMP3CodecFound(CurrentWaveFile.c_str());
        if (code == CV_DECODER_ONLY) {
            (void)dialogs_.Exec(*CodecMessageForm);
            return false;
        }
        if (code == CV_NO_MP3_CODEC) {
            const QString offer = QString::fromStdString(engine::MessageText(engine::MsgOfferMp3Download));
            if (dialogs_.Question(this, offer, QuestionIcon::None)) OpenCodecDownloadPage();
            return false;
        }
        if (code != 0) {
            seam_->ShowMessageBox(engine::MessageText(engine::MsgCodecCannotUseSourceFormat));
            return false;
        }
    }
    const auto askSettings = [this] {
        if (dialogs_.Exec(*SaveAsMP3Form) != QDialog::Accepted) return false;
        CurrentCodecName = SaveAsMP3Form->CurrentCodecName;
        CurrentBitRate = SaveAsMP3Form->CurrentBitRate;
        return true;
    };
    const engine::SettingsFile settings;
    if (settings.Read(engine::keys::IsRunningFirstTime)) return askSettings();
    CurrentCodecName = settings.Read(engine::keys::CodecName);
    if (engine::IsLameCodecName(CurrentCodecName) && !LameAvailable) CurrentCodecName = engine::kAcmCodecName;
    CurrentBitRate = uint16_t(settings.Read(engine::keys::BitRate));
    return engine::BitRateUsable(CurrentCodecName, CurrentWaveFile, CurrentBitRate, *seam_) || askSettings();
}

engine::SaveHooks TMainForm::MakeSaveHooks(const std::shared_ptr<engine::SaveJob>& job) {
    engine::SaveHooks hooks;
    hooks.OutputFolder = [source = CurrentWaveFile] { return engine::GetOutputFolder(source); };
    hooks.Sleep = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
    const std::weak_ptr<engine::SaveJob> weak = job;
    if (job->HandOff && CompanionRequest) {
        hooks.LaunchCompanion = [request = *CompanionRequest, source = CurrentWaveFile](engine::SaveJob& ended,
                                                                                        engine::WindowSeam& seam) {
            engine::LaunchCompanion(request, ended.Tracks, engine::GetOutputFolder(source), seam);
        };
    }
    hooks.ConvertToMp3 = [this, weak](engine::SaveJob& running, std::size_t, const std::string& wave,
                                      const std::string& mp3, engine::WindowSeam& seam) {
        // LAME moves the bar itself, from the worker, without waiting for the window.
        const auto progress = [this, weak](int percent) {
            QMetaObject::invokeMethod(
                this,
                [this, weak, percent] {
                    if (const auto current = weak.lock(); current && current == SaveJob) ProgressBar->setValue(percent);
                },
                Qt::QueuedConnection);
        };
        return engine::ConvertToMp3(running.CodecName, wave, mp3, running.BitRate, seam, progress);
    };
    return hooks;
}

void TMainForm::ShowMp3Status(engine::SaveJob& job) {
    SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgCreatingMp3) + job.Mp3OutputPath()));
    if (job.CodecName == engine::kLameCodecName) return;
    try {
        const uint16_t status = engine::Converter().GetStatusWavToMP3();
        ProgressBar->setValue(status >= 100 ? 0 : status);
    } catch (...) {
        seam_->ShowMessageBox(engine::MessageText(engine::MsgCouldNotGetStatus));
    }
}

}  // namespace quillon::app
