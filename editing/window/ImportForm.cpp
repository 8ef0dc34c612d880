#include "editing/window/ImportForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace quillon::app {
namespace {

// Wide enough for the longest summary to wrap onto two or three lines.
constexpr int kSummaryWidthInChars = 52;

}  // namespace

TImportForm::TImportForm(QWidget* parent) : QDialog(parent) {
    setObjectName("ImportForm");
    WarningIcon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    WarningIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
    SummaryLabel = new QLabel(this);
    SummaryLabel->setWordWrap(true);
    SummaryLabel->setMinimumWidth(kSummaryWidthInChars * fontMetrics().averageCharWidth());
    NumberNamesCheck = new QCheckBox("Number the names: 01 Title", this);
    NumberNamesCheck->setToolTip(
        "Puts each track's number in front of its name; the first number is set in "
        "Edit > Recording Details");
    CutAtTimesCheck = new QCheckBox("Cut at the sheet's times", this);
    CutAtTimesCheck->setToolTip(
        "Moves the boundaries between the tracks to the sheet's INDEX 01 times, each into the quiet nearby");
    OkButton = new QPushButton("OK", this);
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* summary = new QHBoxLayout;
    summary->addWidget(WarningIcon, 0, Qt::AlignTop);
    summary->addWidget(SummaryLabel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(summary);
    layout->addSpacing(6);
    layout->addWidget(NumberNamesCheck);
    layout->addWidget(CutAtTimesCheck);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TImportForm::Prepare(const QString& caption, const engine::ImportPlan& plan, bool offerCut) {
    setWindowTitle(caption);
    SummaryLabel->setText(QString::fromStdString(plan.Summary));
    WarningIcon->setVisible(plan.CountsDiffer);
    CutAtTimesCheck->setChecked(false);
    CutAtTimesCheck->setVisible(offerCut);
    OkButton->setFocus();
}

bool TImportForm::NumberNames() const { return NumberNamesCheck->isChecked(); }

bool TImportForm::CutAtTimes() const { return !CutAtTimesCheck->isHidden() && CutAtTimesCheck->isChecked(); }

}  // namespace quillon::app
