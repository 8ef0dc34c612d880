// Closing, shutdown, and the Help menu.
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>

#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/window/HelpViewer.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/UserDialogs.h"
#include "export/OutputFolder.h"
#include "export/window/SaveHandlers.h"
#include "preview/window/PreviewHandlers.h"
#include "settings/Settings.h"

namespace quillon::app {

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
    if (UiBusy.load() || endingOnSignal_) return;
    UiBusy.store(true);
    if (!AllTracksSaved()) {
        const QString question = QString::fromStdString(engine::MessageText(engine::MsgUnsavedTracksExit));
        // A signal that comes while the question is up dismisses it, and the
        // window closes all the same.
        if (!dialogs_.Question(this, question, QuestionIcon::Warning) && !endingOnSignal_) canClose = false;
    }
    UiBusy.store(false);
}

namespace {

// Each dialog runs an event loop of its own, which the window's closing
// would not end; one that refuses to go is left.
void DismissModalDialogs() {
    for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr;) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        QWidget* next = QApplication::activeModalWidget();
        if (next == modal) return;
        modal = next;
    }
}

}  // namespace

void TMainForm::EndOnSignal() {
    if (endingOnSignal_) return;
    endingOnSignal_ = true;
    DismissModalDialogs();
    // A close already under way (the close question was up) finishes itself.
    close();
}

bool TMainForm::AllTracksSaved() const {
    // The list holds the rows' names and knows which of their files are out of date.
    if (TrackList.empty()) return true;
    return engine::AllTracksSaved(engine::GetOutputFolder(CurrentWaveFile), TrackList);
}

void TMainForm::FormClose() {
    UiBusy.store(true);
    (void)PrepareShutdown();
    UiBusy.store(false);
}

bool TMainForm::PrepareShutdown() {
    analysis_->AbortButtonClick();
    StopAndJoinWorkers();
    if (!preview_->StopForShutdown()) return false;
    StoreFileType();
    engine::TrackList().swap(TrackList);
    analysis_->FreeAnalysisJob();
    save_->FreeSaveJob();
    return true;
}

void TMainForm::StopAndJoinWorkers() {
    analysis_->AbortAll();
    if (save_->SaveJob) save_->SaveJob->MarkAborted();
    workers_.JoinAll();
}

void TMainForm::StoreFileType() {
    // A settings file that cannot be written must not keep the program open.
    try {
        engine::SettingsFile().Write(engine::keys::FileType, FileTypeComboBox->currentIndex());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(*seam_, error);
    }
}

void TMainForm::ShowHelpTopic(HelpTopic topic) {
    if (helpViewer_ == nullptr) helpViewer_ = new HelpViewer(*seam_, this);
    // The help window already open beside the main window is blocked while a
    // modal dialog runs; help asked for from that dialog gets a window of its
    // own, owned by the dialog, so it can be read and closed.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != helpViewer_ && helpViewer_->isVisible() && !helpViewer_->isModal()) {
        auto* viewer = new HelpViewer(*seam_, modal);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->ShowTopic(topic);
        return;
    }
    helpViewer_->ShowTopic(topic);
}

}  // namespace quillon::app
