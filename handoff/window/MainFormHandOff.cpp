// Edit and Burn: the checked tracks, saved first when the user wants, opened
// in the companion program.
#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/UserDialogs.h"
#include "export/OutputFolder.h"

namespace quillon::app {

void TMainForm::EditButtonClick() { HandOffCommand(EditButton, engine::HandOffEdit); }

void TMainForm::BurnCDButtonClick() { HandOffCommand(BurnCDButton, engine::HandOffBurn); }

void TMainForm::HandOffCommand(TSimpleBmpButton* button, engine::HandOffMode mode) {
    if (!button->Enabled() || UiBusy.load()) return;
    UiBusy = true;
    const bool burn = mode == engine::HandOffBurn;
    SetStatusText(QString::fromStdString(engine::MessageText(burn ? engine::MsgLoadingBurnUi : engine::MsgLoadingEditUi)));
    if (!AnyTrackChecked()) {
        engine::ShowErrorMessage(*seam_, burn ? engine::MsgCheckTrackToBurn : engine::MsgCheckTrackToEdit);
        if (burn) SetStatusText({});
    } else {
        OpenInCompanion(mode);
    }
    UiBusy = false;
}

void TMainForm::OpenInCompanion(engine::HandOffMode mode) {
    const auto found = engine::FindCompanionInstallations(RegistryFile.empty() ? platform::RegistryFile() : RegistryFile);
    bool oldRelease = false;
    if (const auto exe = engine::ChooseInstallation(found, oldRelease)) {
        PrepareCompanionLaunch(*exe, mode);
    } else if (oldRelease) {
        engine::ShowErrorMessage(*seam_, engine::MsgOldCompanionInstalled);
    }
}

void TMainForm::PrepareCompanionLaunch(const std::string& exePath, engine::HandOffMode mode) {
    CompanionRequest = std::make_shared<engine::CompanionRequest>();
    CompanionRequest->ExePath = "\"" + exePath + "\"";
    CompanionRequest->Mode = mode;
    const std::string folder = engine::GetOutputFolder(CurrentWaveFile);
    const engine::TrackFiles files = engine::CheckTrackFiles(TrackList, RowChecks(), folder, mode);
    const bool ready = files.allWaves || (mode == engine::HandOffBurn && files.allMp3);
    if (ready) {
        LaunchCompanion(*CompanionRequest);
        return;
    }
    const int question = mode == engine::HandOffBurn ? engine::MsgUnsavedBeforeBurn : engine::MsgUnsavedBeforeEdit;
    if (dialogs_.Question(this, QString::fromStdString(engine::MessageText(question)), QuestionIcon::None)) {
        // The save launches the companion when it ends, however it ends.
        SaveCheckedTracks(engine::SaveType::Wave, true, true);
        return;
    }
    LaunchCompanion(*CompanionRequest);
}

void TMainForm::LaunchCompanion(const engine::CompanionRequest& request) {
    engine::LaunchCompanion(request, TrackList, engine::GetOutputFolder(CurrentWaveFile), *seam_);
}

}  // namespace quillon::app
