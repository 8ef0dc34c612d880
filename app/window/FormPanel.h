#pragma once
// The seam between the main window and its features. It holds what the
// features share (the busy flags, the open wave file, the one track list and
// its generation, the worker-idle event) and the few things they ask of the
// window, by what they do rather than by widget. The main window implements
// it; each feature's window code holds a FormPanel, never the main window,
// and a feature reaches another only through what the main window wires in.

#include <QString>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/SourceIdentity.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"
#include "app/WorkerIdleEvent.h"
#include "editing/EditHistory.h"
#include "editing/TrackEdits.h"
#include "export/RecordingDetails.h"
#include "export/SaveJob.h"

class QObject;
class QWidget;

namespace quillon::app {

class UserDialogs;
class WorkerThreads;

// The window's controls that the features turn on and off, by their command.
enum class Control {
    FileName,
    Browse,
    Open,
    Analyze,
    Preferences,
    Split,
    Merge,
    PlayStart,
    PlayEnd,
    StopPreview,
    Save,
    Edit,
    BurnCD,
    Abort
};

class FormPanel {
public:
    virtual ~FormPanel() = default;

    // State shared with the workers and every command.
    std::atomic<bool> UiBusy{false};
    std::atomic<bool> Previewing{false};
    std::atomic<bool> SaveRunning{false};
    std::string CurrentWaveFile;
    engine::TrackList TrackList;
    // The file the list was found in, kept from the analysis that made it.
    std::optional<engine::SourceIdentity> TrackListSource;
    uint64_t TrackListGeneration = 0;  // counts the lists shown; a job's results go back only to its own
    // What the user said about the recording in CurrentWaveFile (Edit >
    // Recording Details, a CUE sheet's album), for the tags of its tracks.
    // Kept in memory only: analysing the same file again keeps them, another
    // file starts from its defaults.
    engine::RecordingDetails Details;
    engine::WorkerIdleEvent WorkerIdleEvent;
    // The list's edits of the recording in CurrentWaveFile, for Undo and Redo.
    // Another file starts an empty history.
    engine::EditHistory History;

    // Keeps before as the list an edit (named action) has just changed, and
    // lets Undo and Redo follow. mergeKey: see EditHistory::Record.
    void RecordEdit(std::string action, engine::TrackList before, std::string mergeKey = {}) {
        History.Record(std::move(action), std::move(before), std::move(mergeKey));
        HistoryChanged();
    }
    // Whether the list may be edited now, under the rules of Split and Merge:
    // no job, save or preview runs and there is a list.
    [[nodiscard]] bool CanEditList() const {
        return !UiBusy.load() && !SaveRunning.load() && !Previewing.load() && !ListLocked() && !AnalysisRunning() &&
               !TrackList.empty();
    }

    // Messages: the seam for calls on the window's thread, the dialogs, and
    // the window they belong to.
    [[nodiscard]] virtual engine::WindowSeam& Seam() = 0;
    [[nodiscard]] virtual UserDialogs& Dialogs() = 0;
    [[nodiscard]] virtual QWidget& Window() = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // Status bar panels 1-4, as WindowSeam::ShowWaveInfo says.
    virtual void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                              engine::SampleKind kind, bool clear) = 0;
    // The same for a classic layout, and for clearing the panels.
    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      bool clear) {
        ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, engine::ClassicKind(bitsPerSample), clear);
    }

    // Controls, and the rules that decide which are on.
    [[nodiscard]] virtual bool Enabled(Control control) const = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    [[nodiscard]] virtual QString FileNameText() const = 0;
    virtual void SetFileNameText(const QString& text) = 0;
    [[nodiscard]] virtual engine::SaveType ChosenSaveType() const = 0;  // the "Save as" list's choice
    virtual void UpdateMergeButton() = 0;
    virtual void UpdateTrackButtons() = 0;
    virtual void SetFileControlsEnabled(bool enabled) = 0;
    virtual void SetAnalysisControlsEnabled(bool enabled) = 0;
    virtual void SetJobControlsEnabled(bool enabled) = 0;
    virtual void SetPreviewControlsEnabled(bool enabled) = 0;

    // The progress bar and Abort of a job: shown at 0, moved, hidden.
    virtual void ShowJobProgress() = 0;
    virtual void SetJobProgress(int percent) = 0;
    virtual void HideJobProgress() = 0;

    // The list view: filled from TrackList, emptied, focused, a row selected.
    virtual void FillTrackListView() = 0;
    virtual void ClearTrackListView() = 0;
    // The rows' texts and name flags again from TrackList, which has as many
    // tracks as there are rows; check boxes and selection stay.
    virtual void RefreshTrackListView() = 0;
    virtual void TrackListViewChange() = 0;
    virtual void FocusTrackList() = 0;
    virtual void SelectRow(int row) = 0;
    [[nodiscard]] virtual bool AnyTrackChecked() const = 0;
    [[nodiscard]] virtual bool ListLocked() const = 0;  // a save runs or a preview plays
    [[nodiscard]] virtual std::vector<engine::RowMark> RowMarks() const = 0;
    [[nodiscard]] virtual std::vector<bool> RowChecks() const = 0;
    // Calls rowsChanged when a row's check box or the selection changes and
    // listShown when the list is filled anew, for as long as receiver lives.
    virtual void WatchTrackList(QObject& receiver, std::function<void()> rowsChanged,
                                std::function<void()> listShown) = 0;

    // The Undo and Redo items follow History (their names, on or off).
    virtual void HistoryChanged() = 0;
    // TrackList changed in its rows' texts only (a moved boundary, an undone
    // rename) or in its number of rows: the rows follow it. Rows of a
    // changed count come back unchecked, as after a split.
    virtual void ShowEditedList() = 0;

    // The workers of the jobs, and which job is the window's current one.
    [[nodiscard]] virtual WorkerThreads& Workers() = 0;
    [[nodiscard]] virtual bool IsCurrentAnalysis(const void* job) const = 0;
    [[nodiscard]] virtual bool IsCurrentJob(const void* job) const = 0;
    [[nodiscard]] virtual bool AnalysisRunning() const = 0;
    // The window-side end of a failed analysis (the seam's StopAnalysis).
    virtual void StopAnalysis() = 0;
};

}  // namespace quillon::app
