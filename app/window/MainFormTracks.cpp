// The track list, its view and the rules that decide which controls are on.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>

#include "analysis/TrackTimes.h"
#include "analysis/window/AnalysisHandlers.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "editing/window/UndoHandlers.h"
#include "export/TrackNameRule.h"
#include "export/window/SaveHandlers.h"

namespace quillon::app {

void TMainForm::FillTrackListView() {
    ++TrackListGeneration;
    {
        // Rows arrive unchecked and unselected, so the change events would not
        // alter any button; thousands of them are skipped.
        const QSignalBlocker blocker(TrackListView);
        for (const engine::TRACK_INFO_STRUCT& track : TrackList) {
            TrackListView->AddRow(QString::fromStdString(track.Name), QString::fromStdString(track.Start),
                                  QString::fromStdString(track.Stop), QString::fromStdString(track.Duration));
            // A name typed before a split or a merge keeps its flag.
            const std::string flag = engine::UnsavableNameText(track.Name);
            if (!flag.empty()) TrackListView->SetNameFlag(TrackListView->RowCount() - 1, QString::fromStdString(flag));
        }
    }
    emit trackListShown();
}

void TMainForm::RefreshTrackListView() {
    {
        const QSignalBlocker blocker(TrackListView);
        for (int i = 0; i < TrackListView->RowCount() && i < int(TrackList.size()); ++i) {
            const engine::TRACK_INFO_STRUCT& track = TrackList[std::size_t(i)];
            QTreeWidgetItem* row = TrackListView->Row(i);
            row->setText(0, QString::fromStdString(track.Name));
            row->setText(1, QString::fromStdString(track.Start));
            row->setText(2, QString::fromStdString(track.Stop));
            row->setText(3, QString::fromStdString(track.Duration));
            TrackListView->SetNameFlag(i, QString::fromStdString(engine::UnsavableNameText(track.Name)));
        }
    }
    emit trackListShown();
}

void TMainForm::ShowEditedList() {
    if (TrackListView->RowCount() == int(TrackList.size())) {
        RefreshTrackListView();
        return;
    }
    ClearTrackListView();
    FillTrackListView();
    TrackListViewChange();  // the rows come back unchecked; the buttons follow them
}

void TMainForm::HistoryChanged() { ShowUndoItems(true); }

void TMainForm::ShowUndoItems(bool editable) {
    // Off only while the menu shows a busy window: an item turned off stays
    // off for its key too, and a job's end does not come by here.
    UndoMenuItem->setText(Undos().UndoText());
    RedoMenuItem->setText(Undos().RedoText());
    UndoMenuItem->setEnabled(editable && History.CanUndo());
    RedoMenuItem->setEnabled(editable && History.CanRedo());
}

bool TMainForm::AnyTrackChecked() const {
    for (int i = 0; i < TrackListView->RowCount(); ++i) {
        if (TrackListView->IsChecked(i)) return true;
    }
    return false;
}

std::vector<engine::RowMark> TMainForm::RowMarks() const {
    std::vector<engine::RowMark> marks(std::size_t(TrackListView->RowCount()));
    for (int i = 0; i < TrackListView->RowCount(); ++i) {
        marks[std::size_t(i)] = {TrackListView->IsChecked(i), TrackListView->Row(i)->isSelected()};
    }
    return marks;
}

bool TMainForm::ListLocked() const { return (save_->SaveJob && SaveRunning.load()) || Previewing.load(); }

std::vector<bool> TMainForm::RowChecks() const {
    std::vector<bool> checks(std::size_t(TrackListView->RowCount()));
    for (int i = 0; i < TrackListView->RowCount(); ++i) checks[std::size_t(i)] = TrackListView->IsChecked(i);
    return checks;
}

void TMainForm::ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                             engine::SampleKind kind, bool clear) {
    if (clear) {
        for (int panel : {1, 2, 4, 3}) StatusPanels[std::size_t(panel)]->clear();
        return;
    }
    StatusPanels[1]->setText(QString::number(samplesPerSec) + " Hz");
    // "24 Bit", "32 Bit float": the kind tells a float from an integer of its width.
    StatusPanels[2]->setText(QString::number(bitsPerSample) + (engine::IsFloatKind(kind) ? " Bit float" : " Bit"));
    StatusPanels[3]->setText(channels == 1 ? "Mono" : "Stereo");
    StatusPanels[4]->setText(QString::fromStdString(engine::FormatTime(durationMs)));
    FitStatusPanels();
}

void TMainForm::SetStatusText(const QString& text) {
    QLabel& panel = *StatusPanels[0];
    panel.setText(text);
    // A text longer than the panel (a long name or path in it) can still be read whole.
    const bool cut = panel.fontMetrics().horizontalAdvance(text) > panel.contentsRect().width() - 2 * panel.indent();
    panel.setToolTip(cut ? text : QString());
}

QString TMainForm::StatusText(int panel) const { return StatusPanels[std::size_t(panel)]->text(); }

void TMainForm::UpdateMergeButton() {
    bool adjacent = false;
    for (int i = 0; i + 1 < TrackListView->RowCount() && !adjacent; ++i) {
        adjacent = TrackListView->IsChecked(i) && TrackListView->IsChecked(i + 1);
    }
    MergeButton->SetEnabled(adjacent);
}

void TMainForm::UpdateTrackButtons() {
    UpdateMergeButton();
    const bool checked = AnyTrackChecked();
    for (TSimpleBmpButton* button : {SplitButton, BurnCDButton, EditButton, SaveButton}) button->SetEnabled(checked);
    FileTypeComboBox->setEnabled(checked);
    for (QAction* item : {BurnMenuItem, SaveMenuItem, EditMenuItem}) item->setEnabled(checked);
    const bool preview = checked || !TrackListView->selectedItems().isEmpty();
    PreViewTrackStartButton->SetEnabled(preview);
    PreViewTrackEndButton->SetEnabled(preview);
}

void TMainForm::SetFileControlsEnabled(bool v) {
    FileNameEdit->setEnabled(v);
    BrowseButton->SetEnabled(v);
    OpenMenuItem->setEnabled(v);
    if (v) return;
    for (TSimpleBmpButton* button : {SplitButton, BurnCDButton, SaveButton, EditButton}) button->SetEnabled(false);
    for (QAction* item : {BurnMenuItem, SaveMenuItem, EditMenuItem}) item->setEnabled(false);
    FileTypeComboBox->setEnabled(false);
}

void TMainForm::SetAnalysisControlsEnabled(bool v) {
    SetFileControlsEnabled(v);
    UpdateMergeButton();
    PreferencesMenuItem->setEnabled(v);
    SelectAllMenuItem->setEnabled(v);
    SelectNoneMenuitem->setEnabled(v);
    SetListMenuItemsEnabled(v);
    AnalyzeButton->SetEnabled(v);
}

void TMainForm::SetJobControlsEnabled(bool v) {
    AnalyzeButton->SetEnabled(v);
    SetFileControlsEnabled(v);
    if (v) UpdateMergeButton();
    else MergeButton->SetEnabled(false);
    PreferencesMenuItem->setEnabled(v);
    SelectAllMenuItem->setEnabled(v);
    SelectNoneMenuitem->setEnabled(v);
    SetListMenuItemsEnabled(v);
    PreViewTrackStartButton->SetEnabled(v);
    PreViewTrackEndButton->SetEnabled(v);
}

void TMainForm::SetPreviewControlsEnabled(bool v) {
    FileNameEdit->setEnabled(v);
    BrowseButton->SetEnabled(v);
    OpenMenuItem->setEnabled(v);
    for (TSimpleBmpButton* button : {SplitButton, BurnCDButton, SaveButton, EditButton}) button->SetEnabled(v);
    for (QAction* item : {BurnMenuItem, SaveMenuItem, EditMenuItem}) item->setEnabled(v);
    AnalyzeButton->SetEnabled(v);
    PreferencesMenuItem->setEnabled(v);
    SetListMenuItemsEnabled(v);
}

void TMainForm::SetListMenuItemsEnabled(bool v) {
    for (QAction* item : {ImportMenuItem, PasteMenuItem, DetailsMenuItem}) item->setEnabled(v && !TrackList.empty());
}

void TMainForm::TrackListViewClick() {
    if (!ListLocked()) UpdateTrackButtons();
}

void TMainForm::TrackListViewChange() {
    if (!ListLocked()) UpdateTrackButtons();
}

void TMainForm::TrackListViewExit() {
    if (ListLocked()) return;
    {
        const QSignalBlocker blocker(TrackListView);
        TrackListView->clearSelection();
    }
    UpdateTrackButtons();
}

void TMainForm::TrackListViewEdited(int row, const QString& text) {
    if (QTreeWidgetItem* item = TrackListView->Row(row)) {
        const QSignalBlocker blocker(TrackListView);
        item->setText(0, text);
    }
    if (row < 0 || row >= int(TrackList.size()) || row >= TrackListView->RowCount()) return;
    engine::TRACK_INFO_STRUCT& track = TrackList[std::size_t(row)];
    const std::string name = TrackListView->Row(row)->text(0).toStdString();
    if (name != track.Name) {
        engine::TrackList before = TrackList;
        // A name typed by hand is the title the tags carry from now on.
        track.Title.clear();
        track.Name = name;
        RecordEdit("Rename", std::move(before));
    }
    FlagUnsavableName(row);
}

void TMainForm::FlagUnsavableName(int row) {
    // The name stays as typed; the user learns now, not at the save, that it cannot be saved.
    const QString flag = QString::fromStdString(engine::UnsavableNameText(TrackList[std::size_t(row)].Name));
    {
        const QSignalBlocker blocker(TrackListView);
        TrackListView->SetNameFlag(row, flag);
    }
    if (!flag.isEmpty()) {
        SetStatusText(flag);
    } else if (!nameFlagStatus_.isEmpty() && StatusText(0) == nameFlagStatus_) {
        SetStatusText({});  // the flag it showed is answered
    }
    nameFlagStatus_ = flag;
}

void TMainForm::SelectAllMenuItemClick() {
    if (Previewing.load()) return;
    {
        // One button update at the end instead of one per row.
        const QSignalBlocker blocker(TrackListView);
        for (int i = 0; i < TrackListView->RowCount(); ++i) TrackListView->SetChecked(i, true);
    }
    SelectNoneMenuitem->setEnabled(true);
    UpdateTrackButtons();
}

void TMainForm::SelectNoneMenuitemClick() {
    if (Previewing.load()) return;
    {
        const QSignalBlocker blocker(TrackListView);
        for (int i = 0; i < TrackListView->RowCount(); ++i) TrackListView->SetChecked(i, false);
    }
    SelectAllMenuItem->setEnabled(true);
    MergeButton->SetEnabled(false);
    TrackListViewChange();  // what the rows' own change events would have done
}

void TMainForm::HideJobProgress() {
    ProgressBar->hide();
    ProgressBar->setEnabled(false);
    AbortButton->SetEnabled(false);
    AbortButton->hide();
}

bool TMainForm::IsCurrentAnalysis(const void* job) const {
    return analysis_->AnalysisJob && analysis_->AnalysisJob.get() == job;
}

bool TMainForm::IsCurrentJob(const void* job) const {
    return IsCurrentAnalysis(job) || (save_->SaveJob && save_->SaveJob.get() == job);
}

}  // namespace quillon::app
