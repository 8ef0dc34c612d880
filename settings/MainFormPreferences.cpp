// File > Preferences: the dialog, shown while nothing else runs.
#include "app/MainForm.h"
#include "app/UserDialogs.h"
#include "settings/preferences.h"

namespace quillon::app {

void TMainForm::PreferencesMenuItemClick() {
    if (UiBusy.load()) return;
    UiBusy = true;
    (void)dialogs_.Exec(*PreferencesForm);
    UiBusy = false;
}

}  // namespace quillon::app
