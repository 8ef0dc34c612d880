#include "settings/window/PreferencesHandlers.h"

#include <QLineEdit>

#include "app/window/HelpViewer.h"
#include "app/window/MainForm.h"
#include "app/window/UserDialogs.h"
#include "settings/window/preferences.h"

namespace quillon::app {

PreferencesHandlers::PreferencesHandlers(TMainForm& form)
    : PreferencesForm(new TPreferencesForm(
          &form, form.Seam(), form.Dialogs(), [&form] { return form.FileNameEdit->text().toStdString(); },
          [&form] { form.ShowHelpTopic(HelpTopic::Preferences); })),
      form_(form) {}

void PreferencesHandlers::PreferencesMenuItemClick() {
    if (form_.UiBusy.load()) return;
    form_.UiBusy = true;
    (void)form_.Dialogs().Exec(*PreferencesForm);
    form_.UiBusy = false;
}

}  // namespace quillon::app
