#pragma once
// Edit and Burn, the window's side: the checked tracks, saved first when the
// user wants, opened in the companion program.

#include <functional>
#include <memory>
#include <string>

#include "app/window/FormPanel.h"
#include "export/SaveJob.h"
#include "handoff/Companion.h"

namespace quillon::app {

class HandOffHandlers {
public:
    explicit HandOffHandlers(FormPanel& form) : form_(form) {}

    std::shared_ptr<engine::CompanionRequest> CompanionRequest;  // the pending hand-off launch
    std::string RegistryFile;  // where the companion is looked up; the system's when empty
    // Wired in by the main window: saves the checked tracks not yet saved as
    // waves, launching the companion when the save ends, however it ends.
    std::function<void()> SaveThenLaunch;

    void EditButtonClick();
    void BurnCDButtonClick();
    // The save job's last step for a hand-off's save: the pending launch, or
    // nothing when there is none.
    [[nodiscard]] decltype(engine::SaveHooks::LaunchCompanion) LaunchStep() const;

private:
    void HandOffCommand(Control button, engine::HandOffMode mode);
    void OpenInCompanion(engine::HandOffMode mode);
    void PrepareCompanionLaunch(const std::string& exePath, engine::HandOffMode mode);
    void LaunchCompanion(const engine::CompanionRequest& request);

    FormPanel& form_;
};

}  // namespace quillon::app
