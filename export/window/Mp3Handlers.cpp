#include "export/window/Mp3Handlers.h"

#include <QDialog>
#include <QWidget>

#include <thread>

#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "app/window/UserDialogs.h"
#include "export/OutputFolder.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/WaveToMP3.h"
#include "export/window/CodecMessageUnit.h"
#include "export/window/SaveAsMp3.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "settings/Settings.h"

namespace quillon::app {

Mp3Handlers::Mp3Handlers(FormPanel& form)
    : LameAvailable(engine::LoadLameLibrary()),
      SaveAsMP3Form(
          new TSaveAsMP3Form(&form.Window(), form.Seam(), [&form] { return form.FileNameText().toStdString(); })),
      CodecMessageForm(new TCodecMessageForm(&form.Window())),
      form_(form) {}

bool Mp3Handlers::CheckMp3Readiness() {
    const std::string& source = form_.CurrentWaveFile;
    if (!LameAvailable) {
        const uint16_t code = engine::Converter().IsValidMP3CodecFound(source.c_str());
        if (code == CV_DECODER_ONLY) {
            (void)form_.Dialogs().Exec(*CodecMessageForm);
            return false;
        }
        if (code == CV_NO_MP3_CODEC) {
            const QString offer = QString::fromStdString(engine::MessageText(engine::MsgOfferMp3Download));
            if (form_.Dialogs().Question(&form_.Window(), offer, QuestionIcon::None)) OpenCodecDownloadPage();
            return false;
        }
        if (code != 0) {
            form_.Seam().ShowMessageBox(engine::MessageText(engine::MsgCodecCannotUseSourceFormat));
            return false;
        }
    }
    const auto askSettings = [this] {
        if (form_.Dialogs().Exec(*SaveAsMP3Form) != QDialog::Accepted) return false;
        CurrentCodecName = SaveAsMP3Form->CurrentCodecName;
        CurrentBitRate = SaveAsMP3Form->CurrentBitRate;
        return true;
    };
    const engine::SettingsFile settings;
    if (settings.Read(engine::keys::IsRunningFirstTime)) return askSettings();
    CurrentCodecName = settings.Read(engine::keys::CodecName);
    if (engine::IsLameCodecName(CurrentCodecName) && !LameAvailable) CurrentCodecName = engine::kAcmCodecName;
    CurrentBitRate = uint16_t(settings.Read(engine::keys::BitRate));
    return engine::BitRateUsable(CurrentCodecName, source, CurrentBitRate, form_.Seam()) || askSettings();
}

decltype(engine::SaveHooks::ConvertToMp3) Mp3Handlers::ConvertStep(const std::shared_ptr<engine::SaveJob>& job) {
    const std::weak_ptr<engine::SaveJob> weak = job;
    return [this, weak](engine::SaveJob& running, engine::Mp3Conversion& conversion, engine::WindowSeam& seam) {
        // LAME moves the bar itself, from the encoder thread, without waiting
        // for the window: for the conversion that began first among those
        // still running, the one the status names.
        const auto progress = [this, weak, number = conversion.Number](int percent) {
            QMetaObject::invokeMethod(
                &form_.Window(),
                [this, weak, number, percent] {
                    const auto current = weak.lock();
                    if (current && CurrentSave && current == CurrentSave() &&
                        current->Conversions.FirstRunningNumber() == number)
                        form_.SetJobProgress(percent);
                },
                Qt::QueuedConnection);
        };
        return engine::ConvertToMp3(running.CodecName, conversion.WaveName, conversion.TempName, running.BitRate, seam,
                                    progress, conversion.Control);
    };
}

void Mp3Handlers::ShowMp3Status(engine::SaveJob& job) {
    // The conversion that began first among those still running; while none
    // runs yet, the MP3 (or FLAC) file whose name is being asked.
    const std::shared_ptr<engine::Mp3Conversion> first = job.Conversions.FirstRunning();
    const std::string name = first ? first->Mp3Name : job.Mp3OutputPath();
    const std::string creating = job.SaveAsFlac ? engine::text::kCreatingFlac
                                                : engine::MessageText(engine::MsgCreatingMp3);
    form_.SetStatusText(QString::fromStdString(creating + name));
    if (!job.SaveAsFlac && job.CodecName == engine::kLameCodecName) {
        // Between LAME's own reports: the bar follows a newly first conversion at once.
        if (first) form_.SetJobProgress(first->Control.Percent());
        return;
    }
    try {
        const int status = first ? first->Control.Percent() : 100;
        form_.SetJobProgress(status >= 100 ? 0 : status);
    } catch (...) {
        form_.Seam().ShowMessageBox(engine::MessageText(engine::MsgCouldNotGetStatus));
    }
}

void Mp3Handlers::StopConversions(engine::SaveJob& job) {
    try {
        job.StopConversions();
    } catch (...) {
        // A converter that cannot be stopped ends on its own.
    }
}

}  // namespace quillon::app
