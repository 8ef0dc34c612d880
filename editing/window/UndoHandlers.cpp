#include "editing/window/UndoHandlers.h"

#include "app/window/FormPanel.h"

namespace quillon::app {
namespace {

QString Named(const char* verb, const std::string& action) {
    return action.empty() ? QString(verb) : QString("%1 %2").arg(verb, QString::fromStdString(action));
}

}  // namespace

void UndoHandlers::UndoMenuItemClick() {
    if (!form_.CanEditList() || !form_.History.Undo(form_.TrackList)) return;
    form_.ShowEditedList();
    form_.HistoryChanged();
}

void UndoHandlers::RedoMenuItemClick() {
    if (!form_.CanEditList() || !form_.History.Redo(form_.TrackList)) return;
    form_.ShowEditedList();
    form_.HistoryChanged();
}

QString UndoHandlers::UndoText() const { return Named("&Undo", form_.History.UndoAction()); }

QString UndoHandlers::RedoText() const { return Named("&Redo", form_.History.RedoAction()); }

}  // namespace quillon::app
