#include "app/window/UserDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/ErrorCodes.h"

namespace quillon::app {
namespace {

const QString kCaption = QString::fromUtf8(engine::kAppCaption);

}  // namespace

void QtUserDialogs::ErrorBox(QWidget* owner, const QString& text) { QMessageBox::critical(owner, kCaption, text); }

void QtUserDialogs::MessageBox(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kCaption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool QtUserDialogs::Question(QWidget* owner, const QString& text, QuestionIcon icon) {
    QMessageBox box(icon == QuestionIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, kCaption, text,
                    QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

QString QtUserDialogs::OpenFileName(QWidget* owner, const QString& filter) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(filter);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString QtUserDialogs::SaveFileName(QWidget* owner, const QString& folder, const QString& fileName,
                                    const QString& suffix, const QString& filter) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(folder);
    dialog.selectFile(fileName);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilter(filter);
    // A name in a folder that does not exist is refused and the dialog comes
    // back as the user left it: the job would fail on that file.
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        const QString chosen = dialog.selectedFiles().front();
        const QString chosenFolder = QFileInfo(chosen).absolutePath();
        if (QFileInfo(chosenFolder).isDir()) return chosen;
        ErrorBox(&dialog, QString::fromStdString(
                              engine::FormatText(engine::text::kPathDoesNotExist, {chosenFolder.toStdString()})));
    }
}

QString QtUserDialogs::FolderName(QWidget* owner, const QString& title) {
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
}

int QtUserDialogs::Exec(QDialog& dialog) { return dialog.exec(); }

}  // namespace quillon::app
