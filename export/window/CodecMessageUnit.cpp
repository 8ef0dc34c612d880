#include "export/window/CodecMessageUnit.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace quillon::app {
namespace {

const char* const kCodecPage = "https://www.corvane.com/quillon/mp3";

}  // namespace

void OpenCodecDownloadPage() { QDesktopServices::openUrl(QUrl(kCodecPage)); }

TCodecMessageForm::TCodecMessageForm(QWidget* parent) : QDialog(parent) {
    setObjectName("CodecMessageForm");
    setWindowTitle("Corvane Quillon");
    MessageLabel = new QLabel(
        "You have a version of the Fraunhofer MP3 converter installed on your computer that will only convert "
        "from MP3 to wave, not from wave to MP3.  There are two ways to correct this problem.",
        this);
    MessageLabel->setWordWrap(true);
    Message1Label1 = new QLabel("1. Go to", this);
    WMP7WebLabel = new QLabel(QString("<a href=\"%1\"><b>%1</b></a>").arg(kCodecPage), this);
    WMP7WebLabel->setCursor(Qt::PointingHandCursor);
    WMP7WebLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(WMP7WebLabel, &QLabel::linkActivated, this, [] { OpenCodecDownloadPage(); });
    Message1Label2 = new QLabel("Follow the links to download and", this);
    Message1Label3 = new QLabel("install the Lame encoder.", this);
    Message2Label = new QLabel(
        "2. Find the file l3codecx.acm in your Windows\\System folder.  Rename this file, then re-install "
        "Windows Media Player 7.",
        this);
    Message2Label->setWordWrap(true);
    okButton = new QPushButton("OK", this);
    okButton->setMinimumWidth(80);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    // Laid out rather than placed, so that no text is cut at a larger font:
    // the first step's line holds the link and must never wrap inside it.
    auto* step1 = new QHBoxLayout;
    step1->setSpacing(4);
    for (QLabel* part : {Message1Label1, WMP7WebLabel, Message1Label2}) step1->addWidget(part);
    step1->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(4);
    layout->addWidget(MessageLabel);
    layout->addLayout(step1);
    layout->addWidget(Message1Label3);
    Message1Label3->setIndent(16);
    layout->addWidget(Message2Label);
    layout->addWidget(okButton, 0, Qt::AlignHCenter);
    // The dialog's own size is the least it takes; it grows with its texts.
    const int width = std::max(512, layout->totalMinimumSize().width());
    setMinimumSize(width, std::max(171, layout->totalHeightForWidth(width)));
    resize(minimumSize());
}

}  // namespace quillon::app
