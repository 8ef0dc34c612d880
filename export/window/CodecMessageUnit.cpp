#include "export/window/CodecMessageUnit.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace quillon::app {
namespace {

const char* const kCodecPage = "https://www.corvane.com/quillon/mp3";

}  // namespace

void OpenCodecDownloadPage() { QDesktopServices::openUrl(QUrl(kCodecPage)); }

TCodecMessageForm::TCodecMessageForm(QWidget* parent) : QDialog(parent) {
    setObjectName("CodecMessageForm");
    setWindowTitle("Corvane Quillon");
    setFixedSize(512, 171);
    MessageLabel = new QLabel(
        "You have a version of the Fraunhofer MP3 converter installed on your computer that will only convert "
        "from MP3 to wave, not from wave to MP3.  There are two ways to correct this problem.",
        this);
    MessageLabel->setWordWrap(true);
    MessageLabel->setGeometry(12, 8, 488, 44);
    Message1Label1 = new QLabel("1. Go to", this);
    Message1Label1->setGeometry(12, 56, 52, 20);
    WMP7WebLabel = new QLabel(QString("<a href=\"%1\"><b>%1</b></a>").arg(kCodecPage), this);
    WMP7WebLabel->setGeometry(66, 56, 250, 20);
    WMP7WebLabel->setCursor(Qt::PointingHandCursor);
    WMP7WebLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(WMP7WebLabel, &QLabel::linkActivated, this, [] { OpenCodecDownloadPage(); });
    Message1Label2 = new QLabel("Follow the links to download and", this);
    Message1Label2->setGeometry(318, 56, 190, 20);
    Message1Label3 = new QLabel("install the Lame encoder.", this);
    Message1Label3->setGeometry(28, 76, 300, 20);
    Message2Label = new QLabel(
        "2. Find the file l3codecx.acm in your Windows\\System folder.  Rename this file, then re-install "
        "Windows Media Player 7.",
        this);
    Message2Label->setWordWrap(true);
    Message2Label->setGeometry(12, 100, 488, 36);
    okButton = new QPushButton("OK", this);
    okButton->setGeometry(216, 138, 80, 26);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace quillon::app
