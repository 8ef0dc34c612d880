// File > Preferences: the dialog, shown while nothing else runs.
#include "app/window/MainForm.h"
#include "app/window/UserDialogs.h"
#include "settings/window/preferences.h"

namespace quillon::app {

void TMainForm::PreferencesMenuItemClick() {
    if (UiBusy.load()) return;
    UiBusy = true;
    (void)dialogs_.Exec(*PreferencesForm);
    UiBusy = false;
}

}  // namespace quillon::app
