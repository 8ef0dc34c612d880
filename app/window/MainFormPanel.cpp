// The main window's side of the features' seam: their commands' controls by
// name, the job progress, and the list view's smaller operations.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>

#include "analysis/window/AnalysisHandlers.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"

namespace quillon::app {

namespace {

// The control's button, or null for the controls that are no buttons.
TSimpleBmpButton* ButtonOf(const MainFormControls& c, Control control) {
    switch (control) {
    case Control::Browse: return c.BrowseButton;
    case Control::Analyze: return c.AnalyzeButton;
    case Control::Split: return c.SplitButton;
    case Control::Merge: return c.MergeButton;
    case Control::PlayStart: return c.PreViewTrackStartButton;
    case Control::PlayEnd: return c.PreViewTrackEndButton;
    case Control::StopPreview: return c.StopPreviewButton;
    case Control::Save: return c.SaveButton;
    case Control::Edit: return c.EditButton;
    case Control::BurnCD: return c.BurnCDButton;
    case Control::Abort: return c.AbortButton;
    case Control::FileName:
    case Control::Open:
    case Control::Preferences: return nullptr;
    }
    return nullptr;
}

}  // namespace

bool TMainForm::Enabled(Control control) const {
    if (const TSimpleBmpButton* button = ButtonOf(*this, control)) return button->Enabled();
    switch (control) {
    case Control::FileName: return FileNameEdit->isEnabled();
    case Control::Open: return OpenMenuItem->isEnabled();
    case Control::Preferences: return PreferencesMenuItem->isEnabled();
    default: return false;
    }
}

void TMainForm::SetEnabled(Control control, bool enabled) {
    if (TSimpleBmpButton* button = ButtonOf(*this, control)) return button->SetEnabled(enabled);
    switch (control) {
    case Control::FileName: FileNameEdit->setEnabled(enabled); break;
    case Control::Open: OpenMenuItem->setEnabled(enabled); break;
    case Control::Preferences: PreferencesMenuItem->setEnabled(enabled); break;
    default: break;
    }
}

QString TMainForm::FileNameText() const { return FileNameEdit->text(); }

void TMainForm::SetFileNameText(const QString& text) { FileNameEdit->setText(text); }

engine::SaveType TMainForm::ChosenSaveType() const {
    // The list's rows are in SaveType's order; no row chosen saves waves.
    const int row = FileTypeComboBox->currentIndex();
    return row < 0 ? engine::SaveType::Wave : engine::SaveType(row);
}

void TMainForm::ShowJobProgress() {
    AbortButton->show();
    AbortButton->SetEnabled(true);
    ProgressBar->show();
    ProgressBar->setEnabled(true);
    ProgressBar->setValue(0);
}

void TMainForm::SetJobProgress(int percent) { ProgressBar->setValue(percent); }

void TMainForm::ClearTrackListView() { TrackListView->clear(); }

void TMainForm::FocusTrackList() { TrackListView->setFocus(); }

void TMainForm::SelectRow(int row) {
    if (row < 0 || row >= TrackListView->RowCount()) return;
    TrackListView->clearSelection();
    TrackListView->Row(row)->setSelected(true);
    TrackListView->scrollToItem(TrackListView->Row(row));
}

void TMainForm::WatchTrackList(QObject& receiver, std::function<void()> rowsChanged, std::function<void()> listShown) {
    connect(TrackListView, &QTreeWidget::itemChanged, &receiver, [rowsChanged] { rowsChanged(); });
    connect(TrackListView, &QTreeWidget::itemSelectionChanged, &receiver, [rowsChanged] { rowsChanged(); });
    connect(this, &TMainForm::trackListShown, &receiver, [listShown] { listShown(); });
}

bool TMainForm::AnalysisRunning() const { return analysis_->AnalysisJob != nullptr; }

void TMainForm::StopAnalysis() { analysis_->StopAnalysis(); }

}  // namespace quillon::app
