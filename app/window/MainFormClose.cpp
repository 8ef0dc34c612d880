// Closing, shutdown, and the Help menu.
#include <QCloseEvent>
#include <QComboBox>

#include "app/window/AboutBox.h"
#include "app/ErrorCodes.h"
#include "app/window/HelpViewer.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/TrackListView.h"
#include "app/window/UserDialogs.h"
#include "export/OutputFolder.h"
#include "settings/Settings.h"

namespace quillon::app {

void TMainForm::ExitMenuItemClick() { close(); }

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TMainForm::FormCloseQuery(bool& canClose) {
    if (UiBusy.load()) return;
    UiBusy.store(true);
    if (!AllTracksSaved()) {
        const QString question = QString::fromStdString(engine::MessageText(engine::MsgUnsavedTracksExit));
        if (!dialogs_.Question(this, question, QuestionIcon::Warning)) canClose = false;
    }
    UiBusy.store(false);
}

bool TMainForm::AllTracksSaved() const {
    std::vector<std::string> names;
    names.reserve(std::size_t(TrackListView->RowCount()));
    for (int i = 0; i < TrackListView->RowCount(); ++i) names.push_back(TrackListView->Row(i)->text(0).toStdString());
    if (names.empty()) return true;
    return engine::AllTracksSaved(engine::GetOutputFolder(CurrentWaveFile), names);
}

void TMainForm::FormClose() {
    UiBusy.store(true);
    (void)PrepareShutdown();
    UiBusy.store(false);
}

bool TMainForm::PrepareShutdown() {
    AbortButtonClick();
    StopAndJoinWorkers();
    if (Previewing.load()) {
        const uint16_t code = Player.AudioStop();
        if (code != 0) {
            engine::ShowErrorMessage(*seam_, engine::PlayerErrorToMessage(code));
            return false;
        }
        Previewing = false;
    }
    StoreFileType();
    FreeTrackList();
    FreeAnalysisJob();
    FreeSaveJob();
    return true;
}

void TMainForm::StoreFileType() {
    // A settings file that cannot be written must not keep the program open.
    try {
        engine::SettingsFile().Write(engine::keys::FileType, FileTypeComboBox->currentIndex());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(*seam_, error);
    }
}

void TMainForm::HelpTopicsItemClick() { ShowHelpTopic(HelpTopic::Contents); }

void TMainForm::ShowHelpTopic(HelpTopic topic) {
    if (helpViewer_ == nullptr) helpViewer_ = new HelpViewer(*seam_, this);
    helpViewer_->ShowTopic(topic);
}

void TMainForm::AboutQuillonMenuItemClick() {
    AboutBox box(this);
    box.exec();
}

}  // namespace quillon::app
