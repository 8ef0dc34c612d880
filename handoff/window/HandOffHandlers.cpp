#include "handoff/window/HandOffHandlers.h"

#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "app/window/UserDialogs.h"
#include "export/OutputFolder.h"

namespace quillon::app {

void HandOffHandlers::EditButtonClick() { HandOffCommand(Control::Edit, engine::HandOffEdit); }

void HandOffHandlers::BurnCDButtonClick() { HandOffCommand(Control::BurnCD, engine::HandOffBurn); }

void HandOffHandlers::HandOffCommand(Control button, engine::HandOffMode mode) {
    if (!form_.Enabled(button) || form_.UiBusy.load()) return;
    form_.UiBusy = true;
    const bool burn = mode == engine::HandOffBurn;
    form_.SetStatusText(
        QString::fromStdString(engine::MessageText(burn ? engine::MsgLoadingBurnUi : engine::MsgLoadingEditUi)));
    if (!form_.AnyTrackChecked()) {
        engine::ShowErrorMessage(form_.Seam(), burn ? engine::MsgCheckTrackToBurn : engine::MsgCheckTrackToEdit);
        if (burn) form_.SetStatusText({});
    } else {
        OpenInCompanion(mode);
    }
    form_.UiBusy = false;
}

void HandOffHandlers::OpenInCompanion(engine::HandOffMode mode) {
    const auto found = engine::FindCompanionInstallations(RegistryFile.empty() ? platform::RegistryFile()
                                                                               : RegistryFile);
    bool oldRelease = false;
    if (const auto exe = engine::ChooseInstallation(found, oldRelease)) {
        PrepareCompanionLaunch(*exe, mode);
    } else if (oldRelease) {
        engine::ShowErrorMessage(form_.Seam(), engine::MsgOldCompanionInstalled);
    } else {
        form_.SetStatusText(QString::fromStdString(engine::text::kCompanionNotFound));
    }
}

void HandOffHandlers::PrepareCompanionLaunch(const std::string& exePath, engine::HandOffMode mode) {
    CompanionRequest = std::make_shared<engine::CompanionRequest>();
    CompanionRequest->ExePath = "\"" + exePath + "\"";
    CompanionRequest->Mode = mode;
    const std::string folder = engine::GetOutputFolder(form_.CurrentWaveFile);
    const engine::TrackFiles files = engine::CheckTrackFiles(form_.TrackList, form_.RowChecks(), folder, mode);
    const bool ready = files.allWaves || (mode == engine::HandOffBurn && files.allMp3);
    if (ready) {
        LaunchCompanion(*CompanionRequest);
        return;
    }
    const int question = mode == engine::HandOffBurn ? engine::MsgUnsavedBeforeBurn : engine::MsgUnsavedBeforeEdit;
    if (form_.Dialogs().Question(&form_.Window(), QString::fromStdString(engine::MessageText(question)),
                                 QuestionIcon::None)) {
        // The save launches the companion when it ends, however it ends.
        if (SaveThenLaunch) SaveThenLaunch();
        return;
    }
    LaunchCompanion(*CompanionRequest);
}

void HandOffHandlers::LaunchCompanion(const engine::CompanionRequest& request) {
    engine::LaunchCompanion(request, form_.TrackList, engine::GetOutputFolder(form_.CurrentWaveFile), form_.Seam());
}

decltype(engine::SaveHooks::LaunchCompanion) HandOffHandlers::LaunchStep() const {
    if (!CompanionRequest) return {};
    return [request = *CompanionRequest, source = form_.CurrentWaveFile](engine::SaveJob& ended,
                                                                         engine::WindowSeam& seam) {
        engine::LaunchCompanion(request, ended.Tracks, engine::GetOutputFolder(source), seam);
    };
}

}  // namespace quillon::app
