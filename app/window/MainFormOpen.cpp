// The ways a wave file is opened: the command line of this or a second start,
// File > Open and Browse, a dropped file, a typed path.
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QShowEvent>

#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/FileListBlock.h"
#include "app/InstanceProtocol.h"
#include "app/Util.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/UserDialogs.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

bool HasWaveExtension(const std::string& name) {
    return engine::EqualsIgnoringCase(engine::ExtractFileExt(name), ".wav");
}

}  // namespace

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_ || event->spontaneous()) return;
    shown_ = true;
    FormShow();
}

void TMainForm::FormShow() {
    if (UiBusy.load()) return;
    UiBusy.store(true);
    auto block = std::make_shared<engine::FileListBlock>();
    engine::FillFileListBlock(block.get(), arguments_);
    PostOpenFileList(std::move(block));
    // A number from a later release, or typed in by hand, shows Wave.
    const engine::SettingsFile settings;
    FileTypeComboBox->setCurrentIndex(settings.ReadInRange(engine::keys::FileType, 0, FileTypeComboBox->count() - 1));
    UiBusy.store(false);
}

void TMainForm::PostOpenFileList(std::shared_ptr<engine::FileListBlock> block) {
    QMetaObject::invokeMethod(
        this, [this, block = std::move(block)] { OpenFileList(block); }, Qt::QueuedConnection);
}

int TMainForm::WMCopyData(const void* bytes, std::size_t size) {
    if (UiBusy.load() || SaveRunning.load()) return engine::AnswerBusy;
    if (size == 0 || bytes == nullptr) return engine::AnswerBusy;
    PostOpenFileList(std::make_shared<engine::FileListBlock>(engine::FileListBlock::FromBytes(bytes, size)));
    return engine::AnswerAccepted;
}

void TMainForm::OpenFileList(std::shared_ptr<engine::FileListBlock> block) {
    if (!block || UiBusy.load() || SaveRunning.load()) return;
    for (int i = 0; i < block->Count(); ++i) {
        const std::string name = block->Name(std::size_t(i));
        if (engine::FileExists(name) && HasWaveExtension(name)) {
            FileNameEdit->setText(QString::fromStdString(name));
            analysis_->analyzeButtonClick();
        } else {
            seam_->ShowErrorBox(engine::MessageText(engine::MsgTheFilePrefix) + name +
                                engine::MessageText(engine::MsgDoesNotExistSuffix));
        }
    }
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) names << url.toLocalFile();
    }
    event->acceptProposedAction();
    WMDropFiles(names);
}

void TMainForm::WMDropFiles(const QStringList& names) {
    if (UiBusy.load() || SaveRunning.load() || names.isEmpty()) return;
    const std::string name = names.front().toStdString();
    BringToFront();
    if (!HasWaveExtension(name)) return;
    FileNameEdit->setText(QString::fromStdString(name));
    analysis_->analyzeButtonClick();
}

void TMainForm::BrowseButtonClick() {
    if (!BrowseButton->Enabled() || UiBusy.load()) return;
    UiBusy.store(true);
    const QString chosen = dialogs_.OpenFileName(this, "Wave Files(*.wav *.WAV)", {});
    if (chosen.isEmpty()) {
        UiBusy.store(false);
        return;
    }
    if (!HasWaveExtension(chosen.toStdString())) {
        engine::ShowErrorMessage(*seam_, engine::MsgNotValidWave);
        FileNameEdit->clear();
        AnalyzeButton->SetEnabled(false);
        UiBusy.store(false);
        return;
    }
    FileNameEdit->setText(chosen);
    AnalyzeButton->SetEnabled(true);
    analysis_->analyzeButtonClick();
    // A refused start leaves no job to clear the flag.
    if (!analysis_->Running()) UiBusy.store(false);
}

void TMainForm::FileNameEditChange() {
    if (!FileNameEdit->text().isEmpty()) AnalyzeButton->SetEnabled(true);
}

void TMainForm::BringToFront() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

}  // namespace quillon::app
