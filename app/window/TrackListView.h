#pragma once
// The report view of the tracks: a check box per row, the Name column edited in
// place (F2, or a click on a selected row), the other columns read-only, no
// sorting. Reports a confirmed name edit and the loss of focus to another
// control of its own window (not to its own editor, not to another window of
// the program such as a dialog or a message box, not to another application).

#include <QTreeWidget>

namespace quillon::app {

class TTrackListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TTrackListView(QWidget* parent = nullptr);
    ~TTrackListView() override;

    // Appends an unchecked row.
    void AddRow(const QString& name, const QString& start, const QString& stop, const QString& duration);
    [[nodiscard]] int RowCount() const { return topLevelItemCount(); }
    [[nodiscard]] QTreeWidgetItem* Row(int i) const { return topLevelItem(i); }
    [[nodiscard]] bool IsChecked(int i) const;
    void SetChecked(int i, bool checked);
    // Marks row i's name as one the save would refuse: a warning icon, a tint
    // and reason as the tooltip; an empty reason takes the mark away.
    void SetNameFlag(int i, const QString& reason);
    // Whether a name's editor is open.
    [[nodiscard]] bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

signals:
    void nameEdited(int row, const QString& text);
    void exited();

private:
    void OnFocusChanged(QWidget* old, QWidget* now);
    [[nodiscard]] bool Owns(const QWidget* widget) const;
    QMetaObject::Connection focusConnection_;
};

}  // namespace quillon::app
