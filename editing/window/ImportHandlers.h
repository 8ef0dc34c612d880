#pragma once
// Naming the tracks from a title list or a CUE sheet (File > Import Track
// Names) or from lines pasted into the list, the window's side. The titles go
// to the rows in order once the user has seen the plan and confirmed it; a
// sheet's album details go into the recording's. An import is a list edit:
// like a split, it waits while an analysis, a save or a preview runs.

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "analysis/LevelOverview.h"
#include "editing/CueSheet.h"

namespace quillon::app {

class FormPanel;
class TImportForm;

class ImportHandlers {
public:
    explicit ImportHandlers(FormPanel& form);

    TImportForm* ImportForm = nullptr;
    // Wired in by the main window: the level overview the last analysis kept,
    // for cutting at a sheet's times.
    std::function<const engine::LevelOverview&()> KeptOverview;

    // Whether the list may be edited now: it has rows and no job or preview runs.
    [[nodiscard]] bool ListEditable() const;
    // File > Import Track Names: the file chooser, then ImportFile.
    void ImportMenuItemClick();
    // The titles of the file at path (a CUE sheet when it ends in ".cue",
    // else a title list) onto the rows, once confirmed.
    void ImportFile(const std::string& path);
    // text, one title a line as in a title list, onto the rows, once confirmed.
    void PasteTitles(const QString& text);

private:
    // Everything an import acts on; sheet is set for a CUE sheet only.
    struct ImportSource {
        QString Caption;
        std::string From;  // what the status line names: the file's name, or the clipboard
        std::vector<std::string> Titles;
        const engine::CueSheet* Sheet = nullptr;
    };
    void ImportFrom(const std::string& path);
    void ConfirmAndApply(const ImportSource& source);
    [[nodiscard]] bool OfferCut(const engine::CueSheet* sheet) const;

    FormPanel& form_;
};

}  // namespace quillon::app
