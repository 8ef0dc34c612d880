#pragma once
// The codec help dialog: what to do when the only MP3 codec installed can
// decode but not encode.

#include <QDialog>

class QLabel;
class QPushButton;

namespace quillon::app {

// Opens the page where users get an MP3 encoder, in the default browser.
void OpenCodecDownloadPage();

class TCodecMessageForm : public QDialog {
    Q_OBJECT
public:
    explicit TCodecMessageForm(QWidget* parent);

    QLabel* MessageLabel;
    QLabel* Message1Label1;
    QLabel* WMP7WebLabel;
    QLabel* Message1Label2;
    QLabel* Message1Label3;
    QLabel* Message2Label;
    QPushButton* okButton;
};

}  // namespace quillon::app
