#pragma once
// File > Preferences, the window's side: the dialog, made once at start-up and
// shown while nothing else runs, and the stored wave-format setting, applied
// at start-up (the dialog applies it again when it is confirmed).

#include <functional>

namespace quillon::app {

class FormPanel;
class TPreferencesForm;

class PreferencesHandlers {
public:
    // showHelp: the dialog's Help button.
    PreferencesHandlers(FormPanel& form, std::function<void()> showHelp);

    TPreferencesForm* PreferencesForm = nullptr;

    void PreferencesMenuItemClick();

private:
    FormPanel& form_;
};

}  // namespace quillon::app
