#pragma once
// The import's confirmation: which rows get which titles (the plan's summary,
// with a warning sign when the counts differ) and how the names are made.
// Nothing changes until OK. Made once and reused: "Number the names" keeps
// the user's last choice while the program runs; "Cut at the sheet's times"
// starts off every time and shows only where it is offered.

#include <QDialog>

#include "editing/ImportNames.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillon::app {

class TImportForm : public QDialog {
    Q_OBJECT
public:
    explicit TImportForm(QWidget* parent);

    QLabel* WarningIcon;  // shown when the counts differ
    QLabel* SummaryLabel;
    QCheckBox* NumberNamesCheck;
    QCheckBox* CutAtTimesCheck;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    // Sets the dialog up for one import: caption, the plan and whether the cut is offered.
    void Prepare(const QString& caption, const engine::ImportPlan& plan, bool offerCut);
    // What the user chose; the cut only where it was offered.
    [[nodiscard]] bool NumberNames() const;
    [[nodiscard]] bool CutAtTimes() const;
};

}  // namespace quillon::app
