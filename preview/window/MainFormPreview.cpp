// Preview: the window starts the player, polls it once a second, and winds
// the preview up when it has ended or was stopped.
#include <QTimer>

#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "settings/Settings.h"

namespace quillon::app {

void TMainForm::PreViewTrackStartButtonClick() {
    StartPreview(PreViewTrackStartButton, PreViewTrackEndButton, engine::PreviewFromStart);
}

void TMainForm::PreViewTrackEndButtonClick() {
    StartPreview(PreViewTrackEndButton, PreViewTrackStartButton, engine::PreviewEnd);
}

void TMainForm::StartPreview(TSimpleBmpButton* pressed, TSimpleBmpButton* other, engine::PreviewMode mode) {
    if (!pressed->Enabled() || Previewing.load()) return;
    SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgPreviewing)));
    SetPreviewControlsEnabled(false);
    MergeButton->SetEnabled(false);
    other->SetEnabled(false);
    StopPreviewButton->SetEnabled(true);
    PlayPreview(mode);
    TrackListView->setFocus();
}

void TMainForm::PlayPreview(engine::PreviewMode mode) {
    const auto row = engine::FirstSelectedElseChecked(RowMarks());
    if (!row) {
        engine::ShowErrorMessage(*seam_, engine::MsgSelectTrackToPreview);
        RestorePreviewControls();
        return;
    }
    const QTreeWidgetItem* item = TrackListView->Row(int(*row));
    const int32_t endSeconds = engine::SettingsFile().Read(engine::keys::PreViewEndTime);
    const engine::PreviewRange range = engine::ComputePreviewRange(
        item->text(1).toStdString(), item->text(2).toStdString(), mode, endSeconds);
    AudioTimer->start();
    PreviewStopPosition = range.stop;
    const uint16_t code = Player.AudioPlayWave(CurrentWaveFile, range.start, range.stop);
    Previewing = true;
    UiBusy = true;
    // A failed start is wound up by the next tick, which finds nothing playing.
    if (code != 0) engine::ShowErrorMessage(*seam_, engine::PlayerErrorToMessage(code));
}

void TMainForm::AudioTimerTimer() {
    if (!Previewing.load()) {
        RestorePreviewControls();
        return;
    }
    AudioTimer->stop();
    const uint32_t position = Player.AudioGetPosition();
    if (position != 0 && position <= PreviewStopPosition) {
        AudioTimer->start();
        return;
    }
    Previewing = false;
    UiBusy = false;
    SetPreviewControlsEnabled(true);
    StopPreviewButton->SetEnabled(false);
    SetStatusText({});
    PreViewTrackStartButton->SetEnabled(true);
    PreViewTrackEndButton->SetEnabled(true);
    UpdateMergeButton();
}

void TMainForm::RestorePreviewControls() {
    SetPreviewControlsEnabled(true);
    PreViewTrackStartButton->SetEnabled(true);
    PreViewTrackEndButton->SetEnabled(true);
    UpdateTrackButtons();
    StopPreviewButton->SetEnabled(false);
    AudioTimer->stop();
    SetStatusText({});
    UpdateMergeButton();
}

void TMainForm::StopPreviewButtonClick() {
    if (!StopPreviewButton->Enabled()) return;
    UiBusy = false;
    if (Previewing.load()) {
        const uint16_t code = Player.AudioStop();
        Previewing = false;
        if (code != 0) {
            engine::ShowErrorMessage(*seam_, engine::PlayerErrorToMessage(code));
            return;
        }
    }
    StopPreviewButton->SetEnabled(false);
    PreViewTrackEndButton->SetEnabled(true);
    SetPreviewControlsEnabled(false);
    UpdateTrackButtons();
}

}  // namespace quillon::app
