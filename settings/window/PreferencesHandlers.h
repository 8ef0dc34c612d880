#pragma once
// File > Preferences, the window's side: the dialog, made once at start-up and
// shown while nothing else runs.

namespace quillon::app {

class TMainForm;
class TPreferencesForm;

class PreferencesHandlers {
public:
    explicit PreferencesHandlers(TMainForm& form);

    TPreferencesForm* PreferencesForm = nullptr;

    void PreferencesMenuItemClick();

private:
    TMainForm& form_;
};

}  // namespace quillon::app
