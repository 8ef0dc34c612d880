#pragma once
// Edit > Undo and Redo, the window's side: the list goes back to (or forward
// to) the history's next state, its rows follow, and the menu names the next
// step. They wait, as Split and Merge do, while a job, a save or a preview runs.

#include <QString>

namespace quillon::app {

class FormPanel;

class UndoHandlers {
public:
    explicit UndoHandlers(FormPanel& form) : form_(form) {}

    void UndoMenuItemClick();
    void RedoMenuItemClick();
    // The menu's texts for the history now: "Undo Split", or "Undo" when there is nothing.
    [[nodiscard]] QString UndoText() const;
    [[nodiscard]] QString RedoText() const;

private:
    FormPanel& form_;
};

}  // namespace quillon::app
