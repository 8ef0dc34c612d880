#include "export/window/DetailsHandlers.h"

#include <QWidget>

#include "app/window/FormPanel.h"
#include "app/window/UserDialogs.h"
#include "export/RecordingDetails.h"
#include "export/window/DetailsForm.h"

namespace quillon::app {

DetailsHandlers::DetailsHandlers(FormPanel& form) : DetailsForm(new TDetailsForm(&form.Window())), form_(form) {}

void DetailsHandlers::DetailsMenuItemClick() {
    if (form_.UiBusy.load() || form_.TrackList.empty()) return;
    // Busy while the dialog is open: a file handed over meanwhile would change the recording under it.
    form_.UiBusy = true;
    DetailsForm->SetDetails(form_.Details, QString::fromStdString(engine::AlbumOfRecording(form_.CurrentWaveFile)));
    if (form_.Dialogs().Exec(*DetailsForm) == QDialog::Accepted) form_.Details = DetailsForm->Details();
    form_.UiBusy = false;
}

}  // namespace quillon::app
