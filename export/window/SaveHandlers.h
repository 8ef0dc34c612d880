#pragma once
// The save job, the window's side. The work itself is the engine's RunSaveJob
// on a worker of its own; the window marks the tracks, polls the record every
// 100 ms and takes the saved flags back when the worker ends.

#include <cstdint>
#include <functional>
#include <memory>

#include "export/SaveJob.h"

class QTimer;

namespace quillon::app {

class FormPanel;
class Mp3Handlers;

class SaveHandlers {
public:
    SaveHandlers(FormPanel& form, Mp3Handlers& mp3);

    std::shared_ptr<engine::SaveJob> SaveJob;  // the running or last save; its worker holds it too
    QTimer* SaveFileTimer = nullptr;
    // Wired in by the main window: the companion's launch for a job that
    // hands its tracks over when it ends.
    std::function<decltype(engine::SaveHooks::LaunchCompanion)()> CompanionStep;

    void SaveButtonClick();
    void SaveMenuItemClick() { SaveButtonClick(); }
    void SaveFileTimerTimer();
    // Saves the checked tracks as type; skipSavedWaves leaves out tracks whose
    // wave is already in the output folder; handOff launches the companion
    // when the job ends.
    void SaveCheckedTracks(engine::SaveType type, bool skipSavedWaves, bool handOff);
    void AbortSave();
    void FreeSaveJob() { SaveJob.reset(); }

private:
    void StartSaveWorker(const std::shared_ptr<engine::SaveJob>& job);
    // listGeneration: the form's track list when the job started.
    void SaveWorkerEnded(const std::shared_ptr<engine::SaveJob>& job, engine::SaveEnd end, uint64_t listGeneration);
    [[nodiscard]] engine::SaveHooks MakeSaveHooks(const std::shared_ptr<engine::SaveJob>& job);

    FormPanel& form_;
    Mp3Handlers& mp3_;
};

}  // namespace quillon::app
