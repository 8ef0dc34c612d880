#include "settings/window/PreferencesHandlers.h"

#include <QWidget>

#include "analysis/WaveRead.h"
#include "app/window/FormPanel.h"
#include "app/window/UserDialogs.h"
#include "settings/Settings.h"
#include "settings/window/preferences.h"

namespace quillon::app {

PreferencesHandlers::PreferencesHandlers(FormPanel& form, std::function<void()> showHelp)
    : PreferencesForm(new TPreferencesForm(
          &form.Window(), form.Seam(), form.Dialogs(), [&form] { return form.FileNameText().toStdString(); },
          std::move(showHelp))),
      form_(form) {
    engine::SetWideFormats(engine::SettingsFile().Read(engine::keys::WideFormats));
}

void PreferencesHandlers::PreferencesMenuItemClick() {
    if (form_.UiBusy.load()) return;
    form_.UiBusy = true;
    (void)form_.Dialogs().Exec(*PreferencesForm);
    form_.UiBusy = false;
}

}  // namespace quillon::app
