#include "editing/window/EditHandlers.h"

#include <QDialog>
#include <QLabel>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "app/window/UserDialogs.h"
#include "editing/window/SplitUnit.h"

namespace quillon::app {

EditHandlers::EditHandlers(FormPanel& form) : SplitForm(new TSplitForm(&form.Window())), form_(form) {}

void EditHandlers::EndCommand() {
    form_.SetStatusText({});
    form_.UiBusy = false;
}

void EditHandlers::SplitButtonClick() {
    if (!form_.Enabled(Control::Split) || form_.UiBusy.load()) return;
    form_.UiBusy = true;
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgSplitting)));
    if (!form_.AnyTrackChecked()) {
        engine::ShowErrorMessage(form_.Seam(), engine::MsgCheckTrackToSplit);
        EndCommand();
        return;
    }
    SplitForm->FormShow();
    if (form_.Dialogs().Exec(*SplitForm) != QDialog::Accepted) {
        EndCommand();
        return;
    }
    const std::string digits = SplitForm->SplitPointDigits().toStdString();
    const auto row = engine::FirstCheckedOrSelected(form_.RowMarks());
    if (digits.empty() || !row || *row >= form_.TrackList.size()) {
        EndCommand();
        return;
    }
    const auto point = uint32_t(engine::MaskedTimeToMs(digits));
    if (point == 0) {
        EndCommand();
        return;
    }
    const engine::TRACK_INFO_STRUCT& track = form_.TrackList[*row];
    if (engine::SplitPointInside(track, point)) {
        engine::TrackList before = form_.TrackList;
        engine::SplitTrack(form_.TrackList, *row, point);
        form_.ShowEditedList();  // a row more: the rows come back unchecked
        form_.RecordEdit("Split", std::move(before));
    } else {
        form_.Seam().ShowErrorBox(engine::MessageText(engine::MsgSpecifyTimeBetween) + track.Start + " To " +
                                  track.Stop);
    }
    EndCommand();
}

void EditHandlers::MergeButtonClick() {
    if (!form_.Enabled(Control::Merge) || form_.UiBusy.load()) return;
    form_.UiBusy = true;
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgMerging)));
    const auto upper = engine::MergeUpperRow(form_.RowMarks());
    if (!upper || *upper + 1 >= form_.TrackList.size()) {
        EndCommand();
        return;
    }
    engine::TrackList before = form_.TrackList;
    engine::MergeTracks(form_.TrackList, *upper);
    form_.ShowEditedList();
    form_.RecordEdit("Merge", std::move(before));
    form_.SetEnabled(Control::Merge, false);
    form_.SetStatusText(engine::text::kMergeCompleted);
    form_.UiBusy = false;
}

}  // namespace quillon::app
