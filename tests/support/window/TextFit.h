#pragma once
// Whether every text of a window has room: each label, button, check box,
// radio button, combo box entry, column header and status panel shown in it,
// measured with its own font against the space it really gets.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTreeView>
#include <QWidget>

namespace quillon::test {

namespace detail {

inline QString Name(const QWidget& w, const QString& text) {
    return QString("%1 \"%2\" (%3)").arg(w.metaObject()->className(), text, w.objectName());
}

inline void CheckLabel(const QLabel& label, QStringList& cut) {
    if (label.text().isEmpty()) return;
    const bool fits = label.wordWrap() ? label.heightForWidth(label.width()) <= label.height()
                                       : label.sizeHint().width() <= label.width();
    if (!fits) cut << Name(label, label.text()) + QString(" is %1x%2").arg(label.width()).arg(label.height());
}

// A button's text gets the style's contents rectangle; a style's own least
// width for buttons is no need of the text's.
inline void CheckButton(const QAbstractButton& button, QStringList& cut) {
    if (button.text().isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const auto element = qobject_cast<const QRadioButton*>(&button) ? QStyle::SE_RadioButtonContents
                         : qobject_cast<const QCheckBox*>(&button)  ? QStyle::SE_CheckBoxContents
                                                                    : QStyle::SE_PushButtonContents;
    const int room = button.style()->subElementRect(element, &option, &button).width();
    const int needed = button.fontMetrics().horizontalAdvance(QString(button.text()).remove('&'));
    if (needed > room) cut << Name(button, button.text()) + QString(" needs %1, has %2").arg(needed).arg(room);
}

inline void CheckCombo(const QComboBox& combo, QStringList& cut) {
    for (int i = 0; i < combo.count(); ++i) {
        QStyleOptionComboBox option;
        option.initFrom(&combo);
        option.editable = combo.isEditable();
        option.currentText = combo.itemText(i);
        const QSize text(combo.fontMetrics().horizontalAdvance(combo.itemText(i)), combo.fontMetrics().height());
        const int needed = combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, &combo).width();
        if (needed > combo.width()) {
            cut << Name(combo, combo.itemText(i)) + QString(" needs %1, has %2").arg(needed).arg(combo.width());
        }
    }
}

inline void CheckHeader(const QTreeView& view, QStringList& cut) {
    const QHeaderView& header = *view.header();
    for (int i = 0; i < header.count(); ++i) {
        if (header.sectionSizeHint(i) > header.sectionSize(i)) {
            cut << Name(view, view.model()->headerData(i, Qt::Horizontal).toString()) + " header";
        }
    }
}

}  // namespace detail

// The controls of window whose text does not fit, described; empty when all fit.
inline QStringList CutTexts(const QWidget& window) {
    QStringList cut;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window) || w->window() != &window) continue;
        if (auto* label = qobject_cast<const QLabel*>(w)) detail::CheckLabel(*label, cut);
        else if (auto* button = qobject_cast<const QAbstractButton*>(w)) detail::CheckButton(*button, cut);
        else if (auto* combo = qobject_cast<const QComboBox*>(w)) detail::CheckCombo(*combo, cut);
        else if (auto* view = qobject_cast<const QTreeView*>(w)) detail::CheckHeader(*view, cut);
    }
    return cut;
}

}  // namespace quillon::test
