#include "app/window/TrackListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QStyledItemDelegate>

namespace quillon::app {
namespace {

// Qt's editable flag covers a whole row; only the Name column gets an editor.
class NameColumnDelegate : public QStyledItemDelegate {
public:
    NameColumnDelegate(TTrackListView* view) : QStyledItemDelegate(view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (index.column() != 0) return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        QStyledItemDelegate::setModelData(editor, model, index);
        emit view_->nameEdited(index.row(), index.data().toString());
    }

private:
    TTrackListView* view_;
};

}  // namespace

TTrackListView::TTrackListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(4);
    setHeaderLabels({"Name", "Start", "Stop", "Duration"});
    const int widths[] = {225, 103, 105, 100};
    for (int c = 0; c < 4; ++c) setColumnWidth(c, widths[c]);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setSortingEnabled(false);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setItemDelegate(new NameColumnDelegate(this));
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, &TTrackListView::OnFocusChanged);
}

TTrackListView::~TTrackListView() { disconnect(focusConnection_); }

void TTrackListView::AddRow(const QString& name, const QString& start, const QString& stop, const QString& duration) {
    auto* item = new QTreeWidgetItem({name, start, stop, duration});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    item->setCheckState(0, Qt::Unchecked);
    addTopLevelItem(item);
}

bool TTrackListView::IsChecked(int i) const {
    const QTreeWidgetItem* item = topLevelItem(i);
    return item != nullptr && item->checkState(0) == Qt::Checked;
}

void TTrackListView::SetChecked(int i, bool checked) {
    if (QTreeWidgetItem* item = topLevelItem(i)) item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void TTrackListView::SetNameFlag(int i, const QString& reason) {
    QTreeWidgetItem* item = topLevelItem(i);
    if (item == nullptr) return;
    const bool flag = !reason.isEmpty();
    item->setIcon(0, flag ? style()->standardIcon(QStyle::SP_MessageBoxWarning) : QIcon());
    // A tint of the base, so the text keeps its contrast in a dark scheme too.
    const QColor base = palette().color(QPalette::Base);
    const QColor tint = QColor::fromRgbF(0.7f * base.redF() + 0.3f, 0.7f * base.greenF(), 0.7f * base.blueF());
    for (int c = 0; c < columnCount(); ++c) {
        item->setBackground(c, flag ? QBrush(tint) : QBrush());
        item->setToolTip(c, reason);
    }
}

bool TTrackListView::Owns(const QWidget* widget) const {
    return widget != nullptr && (widget == this || isAncestorOf(widget));
}

void TTrackListView::OnFocusChanged(QWidget* old, QWidget* now) {
    // A dialog of the program takes the focus for a while and gives it back;
    // only a move to another control of this window leaves the list.
    if (Owns(old) && now != nullptr && !Owns(now) && now->window() == window()) emit exited();
}

}  // namespace quillon::app
