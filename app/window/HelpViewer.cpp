#include "app/window/HelpViewer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "platform/SpecialFolders.h"

namespace quillon::app {

QString HelpPage(HelpTopic topic) {
    switch (topic) {
    case HelpTopic::Preferences: return "preferences.html";
    case HelpTopic::Split: return "split.html";
    case HelpTopic::Contents: break;
    }
    return "index.html";
}

HelpViewer::HelpViewer(engine::WindowSeam& seam, QWidget* parent)
    : QDialog(parent), seam_(seam), browser_(new QTextBrowser(this)) {
    setWindowTitle("Quillon Help");
    resize(640, 520);
    browser_->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* contents = buttons->addButton("&Contents", QDialogButtonBox::ActionRole);
    connect(contents, &QPushButton::clicked, this, [this] { ShowTopic(HelpTopic::Contents); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
}

void HelpViewer::ShowTopic(HelpTopic topic) {
    std::string folder = engine::DataFolder("help");
    if (folder.empty()) folder = platform::ProgramFolder() + "/help/";  // where it should have been
    const QString page = QString::fromStdString(folder) + HelpPage(topic);
    if (!QFileInfo(page).isFile()) {
        seam_.ShowErrorBox(engine::FormatText(engine::text::kHelpMissing, {page.toStdString()}));
        return;
    }
    browser_->setSource(QUrl::fromLocalFile(page));
    // Opened from a modal dialog, the help must be modal too to take input.
    if (!isVisible()) setWindowModality(QApplication::activeModalWidget() ? Qt::ApplicationModal : Qt::NonModal);
    show();
    raise();
    activateWindow();
}

QString HelpViewer::CurrentPage() const { return browser_->source().fileName(); }

}  // namespace quillon::app
