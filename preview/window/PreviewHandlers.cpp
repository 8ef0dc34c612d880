#include "preview/window/PreviewHandlers.h"

#include <QTimer>

#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "settings/Settings.h"

namespace quillon::app {

PreviewHandlers::PreviewHandlers(TMainForm& form)
    : AudioTimer(new QTimer(&form)), Player(LibraryPlayer()), form_(form) {
    AudioTimer->setInterval(1000);
}

void PreviewHandlers::PreViewTrackStartButtonClick() {
    StartPreview(form_.PreViewTrackStartButton, form_.PreViewTrackEndButton, engine::PreviewFromStart);
}

void PreviewHandlers::PreViewTrackEndButtonClick() {
    StartPreview(form_.PreViewTrackEndButton, form_.PreViewTrackStartButton, engine::PreviewEnd);
}

void PreviewHandlers::StartPreview(TSimpleBmpButton* pressed, TSimpleBmpButton* other, engine::PreviewMode mode) {
    if (!pressed->Enabled() || form_.Previewing.load()) return;
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgPreviewing)));
    form_.SetPreviewControlsEnabled(false);
    form_.MergeButton->SetEnabled(false);
    other->SetEnabled(false);
    form_.StopPreviewButton->SetEnabled(true);
    PlayPreview(mode);
    form_.TrackListView->setFocus();
}

void PreviewHandlers::PlayPreview(engine::PreviewMode mode) {
    const auto row = engine::FirstSelectedElseChecked(form_.RowMarks());
    if (!row) {
        engine::ShowErrorMessage(form_.Seam(), engine::MsgSelectTrackToPreview);
        RestorePreviewControls();
        return;
    }
    const QTreeWidgetItem* item = form_.TrackListView->Row(int(*row));
    const int32_t endSeconds = engine::SettingsFile().Read(engine::keys::PreViewEndTime);
    const engine::PreviewRange range = engine::ComputePreviewRange(item->text(1).toStdString(),
                                                                   item->text(2).toStdString(), mode, endSeconds);
    AudioTimer->start();
    PreviewStopPosition = range.stop;
    const uint16_t code = Player.AudioPlayWave(form_.CurrentWaveFile, range.start, range.stop);
    form_.Previewing = true;
    form_.UiBusy = true;
    // A failed start is wound up by the next tick, which finds nothing playing.
    if (code != 0) engine::ShowErrorMessage(form_.Seam(), engine::PlayerErrorToMessage(code));
}

void PreviewHandlers::AudioTimerTimer() {
    if (!form_.Previewing.load()) {
        RestorePreviewControls();
        return;
    }
    AudioTimer->stop();
    const uint32_t position = Player.AudioGetPosition();
    if (position != 0 && position <= PreviewStopPosition) {
        AudioTimer->start();
        return;
    }
    form_.Previewing = false;
    form_.UiBusy = false;
    form_.SetPreviewControlsEnabled(true);
    form_.StopPreviewButton->SetEnabled(false);
    form_.SetStatusText({});
    form_.PreViewTrackStartButton->SetEnabled(true);
    form_.PreViewTrackEndButton->SetEnabled(true);
    form_.UpdateMergeButton();
}

void PreviewHandlers::RestorePreviewControls() {
    form_.SetPreviewControlsEnabled(true);
    form_.PreViewTrackStartButton->SetEnabled(true);
    form_.PreViewTrackEndButton->SetEnabled(true);
    form_.UpdateTrackButtons();
    form_.StopPreviewButton->SetEnabled(false);
    AudioTimer->stop();
    form_.SetStatusText({});
    form_.UpdateMergeButton();
}

void PreviewHandlers::StopPreviewButtonClick() {
    if (!form_.StopPreviewButton->Enabled()) return;
    form_.UiBusy = false;
    if (form_.Previewing.load()) {
        const uint16_t code = Player.AudioStop();
        form_.Previewing = false;
        if (code != 0) {
            engine::ShowErrorMessage(form_.Seam(), engine::PlayerErrorToMessage(code));
            return;
        }
    }
    form_.StopPreviewButton->SetEnabled(false);
    form_.PreViewTrackEndButton->SetEnabled(true);
    form_.SetPreviewControlsEnabled(false);
    form_.UpdateTrackButtons();
}

bool PreviewHandlers::StopForShutdown() {
    if (!form_.Previewing.load()) return true;
    const uint16_t code = Player.AudioStop();
    if (code != 0) {
        engine::ShowErrorMessage(form_.Seam(), engine::PlayerErrorToMessage(code));
        return false;
    }
    form_.Previewing = false;
    return true;
}

}  // namespace quillon::app
