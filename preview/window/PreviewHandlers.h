#pragma once
// Preview, the window's side: Play and Play End start the player on the
// selected (or first checked) track, a once-a-second timer polls it, and the
// window is wound up when the preview has ended or was stopped.

#include <cstdint>

#include "preview/PreviewRange.h"
#include "preview/window/KVPlayerWrapper.h"

class QTimer;

namespace quillon::app {

class TMainForm;
class TSimpleBmpButton;

class PreviewHandlers {
public:
    explicit PreviewHandlers(TMainForm& form);

    QTimer* AudioTimer = nullptr;
    PreviewPlayer Player;              // the player library unless a test says otherwise
    uint32_t PreviewStopPosition = 0;  // ms; where the running preview ends

    void PreViewTrackStartButtonClick();
    void PreViewTrackEndButtonClick();
    void StopPreviewButtonClick();
    void AudioTimerTimer();
    // Stops a preview that still plays at shutdown; false, after its message,
    // when the player cannot stop it.
    [[nodiscard]] bool StopForShutdown();

private:
    void StartPreview(TSimpleBmpButton* pressed, TSimpleBmpButton* other, engine::PreviewMode mode);
    void PlayPreview(engine::PreviewMode mode);
    void RestorePreviewControls();

    TMainForm& form_;
};

}  // namespace quillon::app
