#include "editing/window/EditHandlers.h"

#include <QDialog>
#include <QLabel>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "app/window/HelpViewer.h"
#include "app/window/MainForm.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "app/window/UserDialogs.h"
#include "editing/window/SplitUnit.h"

namespace quillon::app {

EditHandlers::EditHandlers(TMainForm& form) : SplitForm(new TSplitForm(&form)), form_(form) {
    SplitForm->OnHelp = [&form] { form.ShowHelpTopic(HelpTopic::Split); };
}

void EditHandlers::EndCommand() {
    form_.SetStatusText({});
    form_.UiBusy = false;
}

void EditHandlers::RebuildRows() {
    form_.TrackListView->clear();
    form_.FillTrackListView();
    form_.TrackListViewChange();  // the rows come back unchecked; the buttons follow them
}

void EditHandlers::SplitButtonClick() {
    if (!form_.SplitButton->Enabled() || form_.UiBusy.load()) return;
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
        engine::SplitTrack(form_.TrackList, *row, point);
        RebuildRows();
    } else {
        form_.Seam().ShowErrorBox(engine::MessageText(engine::MsgSpecifyTimeBetween) + track.Start + " To " +
                                  track.Stop);
    }
    EndCommand();
}

void EditHandlers::MergeButtonClick() {
    if (!form_.MergeButton->Enabled() || form_.UiBusy.load()) return;
    form_.UiBusy = true;
    form_.SetStatusText(QString::fromStdString(engine::MessageText(engine::MsgMerging)));
    const auto upper = engine::MergeUpperRow(form_.RowMarks());
    if (!upper || *upper + 1 >= form_.TrackList.size()) {
        EndCommand();
        return;
    }
    engine::MergeTracks(form_.TrackList, *upper);
    RebuildRows();
    form_.MergeButton->SetEnabled(false);
    form_.SetStatusText(engine::text::kMergeCompleted);
    form_.UiBusy = false;
}

}  // namespace quillon::app
