#include "app/window/UserDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>

#include "app/ErrorCodes.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

const QString kCaption = QString::fromUtf8(engine::kAppCaption);

// Wide enough for the name, size, type and date columns beside the places,
// in the dialog's own font, so at every scale and font size: the name column
// as wide as the dialog makes it (26 "w"), the rest in average characters.
constexpr int kOpenDialogNameWs = 26;
constexpr int kOpenDialogOtherChars = 72;
constexpr int kOpenDialogLines = 26;

// The open dialog's size: as the user left it last, else from its font; never
// beyond the screen.
QSize OpenDialogSize(const QFileDialog& dialog) {
    const QFontMetrics metrics(dialog.font());
    QSize size(
        metrics.horizontalAdvance(QString(kOpenDialogNameWs, 'w')) + kOpenDialogOtherChars * metrics.averageCharWidth(),
        kOpenDialogLines * metrics.lineSpacing());
    const QStringList stored =
        QString::fromStdString(engine::SettingsFile().Read(engine::keys::OpenDialogSize)).split(',');
    bool width = false, height = false;
    if (stored.size() == 2) {
        const QSize kept(stored[0].trimmed().toInt(&width), stored[1].trimmed().toInt(&height));
        if (width && height && kept.width() > 0 && kept.height() > 0) size = kept;
    }
    if (const QScreen* screen = dialog.screen()) size = size.boundedTo(screen->availableGeometry().size());
    return size;
}

}  // namespace

void QtUserDialogs::StoreOpenDialogSize(QWidget* owner, const QSize& size) {
    try {
        engine::SettingsFile().Write(engine::keys::OpenDialogSize,
                                     QString("%1,%2").arg(size.width()).arg(size.height()).toStdString());
    } catch (const engine::RaisedError& error) {
        QString message = QString::fromStdString(error.what());
        if (!message.endsWith('.')) message += '.';
        ErrorBox(owner, message);
    }
}

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

QString QtUserDialogs::OpenFileName(QWidget* owner, const QString& filter, const QString& folder) {
    QFileDialog dialog(owner);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(filter);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.resize(OpenDialogSize(dialog));
    const bool accepted = dialog.exec() == QDialog::Accepted;
    StoreOpenDialogSize(owner, dialog.size());
    if (!accepted || dialog.selectedFiles().isEmpty()) return {};
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
