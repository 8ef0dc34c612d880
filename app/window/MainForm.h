#pragma once
// The main window: one wave file, its tracks, and the controls that act on
// them. It owns the one track list and the state every command looks at; each
// feature's handlers and state live in a class of that feature's window/
// folder (Analysis(), Edits(), Preview(), Save(), Mp3(), HandOff(),
// Preferences()), which the form owns. Workers reach the window only through
// the window seam, which carries their calls to this window's thread.

#include <QMainWindow>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "analysis/SourceIdentity.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"
#include "app/WorkerIdleEvent.h"
#include "app/window/MainFormControls.h"
#include "app/window/WorkerThreads.h"
#include "editing/TrackEdits.h"

namespace quillon::engine {
class FileListBlock;
}

namespace quillon::app {

class UserDialogs;
class HelpViewer;
enum class HelpTopic : int;
class AnalysisHandlers;
class EditHandlers;
class PreviewHandlers;
class SaveHandlers;
class Mp3Handlers;
class HandOffHandlers;
class PreferencesHandlers;

class TMainForm : public QMainWindow, public MainFormControls {
    Q_OBJECT
public:
    // arguments: the start's command line without the program's path.
    TMainForm(std::vector<std::string> arguments, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    // State shared with the workers and every command.
    std::atomic<bool> UiBusy{false};
    std::atomic<bool> Previewing{false};
    std::atomic<bool> SaveRunning{false};
    std::string CurrentWaveFile;
    engine::TrackList TrackList;
    // The file the list was found in, kept from the analysis that made it.
    std::optional<engine::SourceIdentity> TrackListSource;
    uint64_t TrackListGeneration = 0;  // counts the lists shown; a job's results go back only to its own
    engine::WorkerIdleEvent WorkerIdleEvent;

    // The features, each with its handlers and state.
    [[nodiscard]] AnalysisHandlers& Analysis() { return *analysis_; }
    [[nodiscard]] EditHandlers& Edits() { return *edits_; }
    [[nodiscard]] PreviewHandlers& Preview() { return *preview_; }
    [[nodiscard]] SaveHandlers& Save() { return *save_; }
    [[nodiscard]] Mp3Handlers& Mp3() { return *mp3_; }
    [[nodiscard]] HandOffHandlers& HandOff() { return *handOff_; }
    [[nodiscard]] PreferencesHandlers& Preferences() { return *preferences_; }
    [[nodiscard]] UserDialogs& Dialogs() { return dialogs_; }
    // The seam for calls made on the window's own thread.
    [[nodiscard]] engine::WindowSeam& Seam() { return *seam_; }

    // The track list, its view and the rules that decide which controls are on.
    void FillTrackListView();
    [[nodiscard]] bool AnyTrackChecked() const;
    // Clicks and changes in the list are ignored while a save runs or a preview plays.
    [[nodiscard]] bool ListLocked() const;
    // Each row's check box and selection, top to bottom; each row's check box.
    [[nodiscard]] std::vector<engine::RowMark> RowMarks() const;
    [[nodiscard]] std::vector<bool> RowChecks() const;
    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      bool clear);
    void SetStatusText(const QString& text);
    [[nodiscard]] QString StatusText(int panel) const;
    void UpdateMergeButton();
    void UpdateTrackButtons();
    void SetFileControlsEnabled(bool v);
    void SetAnalysisControlsEnabled(bool v);
    void SetJobControlsEnabled(bool v);
    void SetPreviewControlsEnabled(bool v);
    void TrackListViewClick();
    void TrackListViewChange();
    void TrackListViewExit();
    void SelectAllMenuItemClick();
    void SelectNoneMenuitemClick();
    // Hides and disables the progress bar and the Abort button (analysis and save alike).
    void HideJobProgress();

    [[nodiscard]] WorkerThreads& Workers() { return workers_; }
    // Whether a worker's call still concerns the window: its job is the current one.
    [[nodiscard]] bool IsCurrentAnalysis(const void* job) const;
    [[nodiscard]] bool IsCurrentJob(const void* job) const;

    // Start-up and opening files.
    void FormShow();
    // A hand-off from a second start: 1 when accepted (the names are opened
    // later from the event loop), 0 when busy or empty.
    [[nodiscard]] int WMCopyData(const void* bytes, std::size_t size);
    void WMDropFiles(const QStringList& names);
    void BrowseButtonClick();
    void BringToFront();

    // Closing, shutdown and Help.
    void FormCloseQuery(bool& canClose);
    // SIGTERM or SIGHUP: a running save is aborted as Abort does, and the
    // window closes without the close question once the workers have ended
    // (the save's temporary files gone with them); open dialogs are dismissed.
    void EndOnSignal();
    [[nodiscard]] bool PrepareShutdown();
    [[nodiscard]] bool AllTracksSaved() const;
    void ShowHelpTopic(HelpTopic topic);

signals:
    // The list view was filled anew (an analysis, a split or a merge).
    void trackListShown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ConnectHandlers();
    void TrackListViewEdited(int row, const QString& text);
    void OpenFileList(std::shared_ptr<engine::FileListBlock> block);
    void PostOpenFileList(std::shared_ptr<engine::FileListBlock> block);
    void FileNameEditChange();
    void FormClose();
    void StoreFileType();
    void StopAndJoinWorkers();

    std::vector<std::string> arguments_;
    UserDialogs& dialogs_;
    std::unique_ptr<engine::WindowSeam> seam_;
    std::unique_ptr<AnalysisHandlers> analysis_;
    std::unique_ptr<EditHandlers> edits_;
    std::unique_ptr<PreviewHandlers> preview_;
    std::unique_ptr<SaveHandlers> save_;
    std::unique_ptr<Mp3Handlers> mp3_;
    std::unique_ptr<HandOffHandlers> handOff_;
    std::unique_ptr<PreferencesHandlers> preferences_;
    WorkerThreads workers_{*this, WorkerIdleEvent};
    HelpViewer* helpViewer_ = nullptr;
    bool shown_ = false;
    bool endingOnSignal_ = false;
};

}  // namespace quillon::app
