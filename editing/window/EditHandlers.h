#pragma once
// Split and merge, the window's side. The list edits themselves are engine
// functions; here the rows are chosen, the split dialog is run, and the rows
// are rebuilt.

namespace quillon::app {

class FormPanel;
class TSplitForm;

class EditHandlers {
public:
    explicit EditHandlers(FormPanel& form);

    TSplitForm* SplitForm = nullptr;

    void SplitButtonClick();
    void MergeButtonClick();

private:
    void EndCommand();

    FormPanel& form_;
};

}  // namespace quillon::app
