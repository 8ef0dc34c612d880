// Split and merge: the window's side. The list edits themselves are engine
// functions; here the rows are chosen, the dialog is run, and the rows rebuilt.
#include <QDialog>
#include <QLabel>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "app/window/UserDialogs.h"
#include "editing/window/SplitUnit.h"

namespace quillon::app {

void TMainForm::EndCommand() {
    SetStatusText({});
    UiBusy = false;
}

void TMainForm::RebuildRows() {
    TrackListView->clear();
    FillTrackListView();
    TrackListViewChange();  // the rows come back unchecked; the buttons follow them
}

void TMainForm::SplitButtonClick() {
    if (!SplitButton->Enabled() || UiBusy.load()) return;
    UiBusy = true;
    SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgSplitting)));
    if (!AnyTrackChecked()) {
        engine::ShowErrorMessage(*seam_, engine::MsgCheckTrackToSplit);
        EndCommand();
        return;
    }
    SplitForm->FormShow();
    if (dialogs_.Exec(*SplitForm) != QDialog::Accepted) {
        EndCommand();
        return;
    }
    const std::string digits = SplitForm->SplitPointDigits().toStdString();
    const auto row = engine::FirstCheckedOrSelected(RowMarks());
    if (digits.empty() || !row || *row >= TrackList.size()) {
        EndCommand();
        return;
    }
    const auto point = uint32_t(engine::MaskedTimeToMs(digits));
    if (point == 0) {
        EndCommand();
        return;
    }
    const engine::TRACK_INFO_STRUCT& track = TrackList[*row];
    if (engine::SplitPointInside(track, point)) {
        engine::SplitTrack(TrackList, *row, point);
        RebuildRows();
    } else {
        seam_->ShowErrorBox(engine::MessageText(engine::MsgSpecifyTimeBetween) + track.Start + " To " + track.Stop);
    }
    EndCommand();
}

void TMainForm::MergeButtonClick() {
    if (!MergeButton->Enabled() || UiBusy.load()) return;
    UiBusy = true;
    SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgMerging)));
    const auto upper = engine::MergeUpperRow(RowMarks());
    if (!upper || *upper + 1 >= TrackList.size()) {
        EndCommand();
        return;
    }
    engine::MergeTracks(TrackList, *upper);
    RebuildRows();
    MergeButton->SetEnabled(false);
    SetStatusText(engine::text::kMergeCompleted);
    UiBusy = false;
}

}  // namespace quillon::app
