#pragma once
// Edit > Recording Details, the window's side: the dialog shows the open
// recording's details and OK keeps what was typed, for the tags of the tracks
// saved from it. It waits while an analysis or a save runs.

namespace quillon::app {

class FormPanel;
class TDetailsForm;

class DetailsHandlers {
public:
    explicit DetailsHandlers(FormPanel& form);

    TDetailsForm* DetailsForm = nullptr;

    void DetailsMenuItemClick();

private:
    FormPanel& form_;
};

}  // namespace quillon::app
