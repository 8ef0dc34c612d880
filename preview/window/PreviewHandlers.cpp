#include "preview/window/PreviewHandlers.h"

#include <QTimer>
#include <QWidget>

#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "settings/Settings.h"

namespace quillon::app {

PreviewHandlers::PreviewHandlers(FormPanel& form)
    : AudioTimer(new QTimer(&form.Window())), Player(LibraryPlayer()), form_(form) {
    AudioTimer->setInterval(1000);
}

void PreviewHandlers::PreViewTrackStartButtonClick() {
    StartPreview(Control::PlayStart, Control::PlayEnd, engine::PreviewFromStart);
}

void PreviewHandlers::PreViewTrackEndButtonClick() {
    StartPreview(Control::PlayEnd, Control::PlayStart, engine::PreviewEnd);
}

void PreviewHandlers::StartPreview(Control pressed, Control other, engine::PreviewMode mode) {
    if (!form_.Enabled(pressed) || form_.Previewing.load()) return;
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgPreviewing)));
    form_.SetPreviewControlsEnabled(false);
    form_.SetEnabled(Control::Merge, false);
    form_.SetEnabled(other, false);
    form_.SetEnabled(Control::StopPreview, true);
    PlayPreview(mode);
    form_.FocusTrackList();
}

void PreviewHandlers::PlayPreview(engine::PreviewMode mode) {
    const auto row = engine::FirstSelectedElseChecked(form_.RowMarks());
    if (!row || *row >= form_.TrackList.size()) {
        engine::ShowErrorMessage(form_.Seam(), engine::MsgSelectTrackToPreview);
        RestorePreviewControls();
        return;
    }
    const engine::TRACK_INFO_STRUCT& track = form_.TrackList[*row];
    const int32_t endSeconds = engine::SettingsFile().Read(engine::keys::PreViewEndTime);
    const engine::PreviewRange range = engine::ComputePreviewRange(track.Start, track.Stop, mode, endSeconds);
    Play(range.start, range.stop);
}

void PreviewHandlers::PlayRange(uint32_t startMs, uint32_t stopMs) {
    if (form_.Previewing.load() || form_.UiBusy.load() || form_.TrackList.empty()) return;
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgPreviewing)));
    form_.SetPreviewControlsEnabled(false);
    for (Control control : {Control::Merge, Control::PlayStart, Control::PlayEnd}) form_.SetEnabled(control, false);
    form_.SetEnabled(Control::StopPreview, true);
    Play(startMs, stopMs);
}

void PreviewHandlers::Play(uint32_t startMs, uint32_t stopMs) {
    AudioTimer->start();
    PreviewStopPosition = stopMs;
    const uint16_t code = Player.AudioPlayWave(form_.CurrentWaveFile, startMs, stopMs);
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
    form_.SetEnabled(Control::StopPreview, false);
    form_.SetStatusText({});
    form_.SetEnabled(Control::PlayStart, true);
    form_.SetEnabled(Control::PlayEnd, true);
    form_.UpdateMergeButton();
}

void PreviewHandlers::RestorePreviewControls() {
    form_.SetPreviewControlsEnabled(true);
    form_.SetEnabled(Control::PlayStart, true);
    form_.SetEnabled(Control::PlayEnd, true);
    form_.UpdateTrackButtons();
    form_.SetEnabled(Control::StopPreview, false);
    AudioTimer->stop();
    form_.SetStatusText({});
    form_.UpdateMergeButton();
}

void PreviewHandlers::StopPreviewButtonClick() {
    if (!form_.Enabled(Control::StopPreview)) return;
    form_.UiBusy = false;
    if (form_.Previewing.load()) {
        const uint16_t code = Player.AudioStop();
        form_.Previewing = false;
        if (code != 0) {
            engine::ShowErrorMessage(form_.Seam(), engine::PlayerErrorToMessage(code));
            return;
        }
    }
    form_.SetEnabled(Control::StopPreview, false);
    form_.SetEnabled(Control::PlayEnd, true);
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
