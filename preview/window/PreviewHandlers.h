#pragma once
// Preview, the window's side: Play and Play End start the player on the
// selected (or first checked) track, a once-a-second timer polls it, and the
// window is wound up when the preview has ended or was stopped.

#include <cstdint>

#include "app/window/FormPanel.h"
#include "preview/PreviewRange.h"
#include "preview/window/KVPlayerWrapper.h"

class QTimer;

namespace quillon::app {

class PreviewHandlers {
public:
    explicit PreviewHandlers(FormPanel& form);

    QTimer* AudioTimer = nullptr;
    PreviewPlayer Player;              // the player library unless a test says otherwise
    uint32_t PreviewStopPosition = 0;  // ms; where the running preview ends

    void PreViewTrackStartButtonClick();
    void PreViewTrackEndButtonClick();
    void StopPreviewButtonClick();
    // Plays startMs..stopMs of the recording (the overview's Play from here
    // and Play around this cut), with the controls of a running preview.
    void PlayRange(uint32_t startMs, uint32_t stopMs);
    void AudioTimerTimer();
    // Stops a preview that still plays at shutdown; false, after its message,
    // when the player cannot stop it.
    [[nodiscard]] bool StopForShutdown();

private:
    void StartPreview(Control pressed, Control other, engine::PreviewMode mode);
    void PlayPreview(engine::PreviewMode mode);
    void Play(uint32_t startMs, uint32_t stopMs);
    void RestorePreviewControls();

    FormPanel& form_;
};

}  // namespace quillon::app
