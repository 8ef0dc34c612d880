#include "app/window/FitToText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace quillon::app {
namespace {

int ComboWidth(const QComboBox& combo) {
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i) {
        QStyleOptionComboBox option;
        option.initFrom(&combo);
        option.currentText = combo.itemText(i);
        const QSize text(combo.fontMetrics().horizontalAdvance(combo.itemText(i)), combo.fontMetrics().height());
        widest = std::max(widest, combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, &combo).width());
    }
    return widest;
}

// The width around a button's text that its style takes, plus the text.
int ButtonWidth(const QAbstractButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const int room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button).width();
    return button.width() - room + button.fontMetrics().horizontalAdvance(QString(button.text()).remove('&'));
}

}  // namespace

int WidthForText(const QWidget& control) {
    int needed = 0;
    if (auto* label = qobject_cast<const QLabel*>(&control)) needed = label->sizeHint().width();
    else if (auto* combo = qobject_cast<const QComboBox*>(&control)) needed = ComboWidth(*combo);
    else if (auto* button = qobject_cast<const QAbstractButton*>(&control)) needed = ButtonWidth(*button);
    return std::max(control.width(), needed);
}

int GrowRow(std::initializer_list<QWidget*> row) {
    int grown = 0;
    for (QWidget* control : row) {
        const int width = WidthForText(*control);
        const int growth = width - control->width();
        control->setGeometry(control->x() + grown, control->y(), width, control->height());
        grown += growth;
    }
    return grown;
}

}  // namespace quillon::app
