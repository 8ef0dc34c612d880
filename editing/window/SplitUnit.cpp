#include "editing/window/SplitUnit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "app/window/FitToText.h"

namespace quillon::app {

TSplitForm::TSplitForm(QWidget* parent) : QDialog(parent) {
    setObjectName("SplitForm");
    setWindowTitle("Enter Splitting Point ");
    setFixedSize(334, 86);
    Label1 = new QLabel("Enter the Spliting Point (in terms of time) :", this);
    Label1->setGeometry(12, 6, 310, 20);
    splitpointEdit = new QLineEdit(this);
    splitpointEdit->setInputMask("99:99:999; ");
    splitpointEdit->setGeometry(12, 28, 96, 24);
    splitpointEdit->installEventFilter(this);
    Label1->setBuddy(splitpointEdit);
    OkButton = new QPushButton("OK", this);
    CancelButton = new QPushButton("Cancel", this);
    HelpButton = new QPushButton("&Help", this);
    OkButton->setGeometry(86, 56, 75, 26);
    CancelButton->setGeometry(167, 56, 75, 26);
    HelpButton->setGeometry(248, 56, 75, 26);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &TSplitForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] {
        if (OnHelp) OnHelp();
    });
    setTabOrder(splitpointEdit, OkButton);
    // At a larger font the question and the buttons grow; the buttons stay at the right.
    const int question = GrowRow({Label1});
    const int buttons = GrowRow({OkButton, CancelButton, HelpButton});
    const int growth = std::max(question, buttons);
    for (QPushButton* b : {OkButton, CancelButton, HelpButton}) b->move(b->x() + growth - buttons, b->y());
    setFixedSize(width() + growth, height());
    FormShow();
}

void TSplitForm::FormShow() {
    splitpointEdit->setText("00:00:000");
    splitpointEdit->setFocus();
    splitpointEdit->selectAll();
}

void TSplitForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

QString TSplitForm::SplitPointDigits() const {
    if (!splitpointEdit->hasAcceptableInput()) return {};
    return splitpointEdit->text().remove(':');
}

void TSplitForm::OkButtonClick() {
    // Like leaving the field: an incomplete entry keeps the dialog open.
    if (!splitpointEdit->hasAcceptableInput()) {
        splitpointEdit->setFocus();
        return;
    }
    accept();
}

bool TSplitForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == splitpointEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter confirms whatever is there; an incomplete entry then reads as empty.
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quillon::app
