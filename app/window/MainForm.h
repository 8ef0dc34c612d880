#pragma once
// The main window: one wave file, its tracks, and the controls that act on
// them. It is the features' FormPanel: it owns the one track list and the
// state every command looks at. Each feature's handlers and state live in a
// class of that feature's window/ folder (Analysis(), Edits(), Preview(),
// Save(), Mp3(), HandOff(), Preferences(), Imports(), DetailsEditor(), Undos()), which the form owns and wires
// together where it makes them. Workers reach the window only through
// the window seam, which carries their calls to this window's thread.

#include <QMainWindow>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/window/FormPanel.h"
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
class ImportHandlers;
class DetailsHandlers;
class UndoHandlers;

class TMainForm : public QMainWindow, public MainFormControls, public FormPanel {
    Q_OBJECT
public:
    // arguments: the start's command line without the program's path.
    TMainForm(std::vector<std::string> arguments, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The features, each with its handlers and state.
    [[nodiscard]] AnalysisHandlers& Analysis() { return *analysis_; }
    [[nodiscard]] EditHandlers& Edits() { return *edits_; }
    [[nodiscard]] PreviewHandlers& Preview() { return *preview_; }
    [[nodiscard]] SaveHandlers& Save() { return *save_; }
    [[nodiscard]] Mp3Handlers& Mp3() { return *mp3_; }
    [[nodiscard]] HandOffHandlers& HandOff() { return *handOff_; }
    [[nodiscard]] PreferencesHandlers& Preferences() { return *preferences_; }
    [[nodiscard]] ImportHandlers& Imports() { return *imports_; }
    [[nodiscard]] DetailsHandlers& DetailsEditor() { return *detailsEditor_; }
    [[nodiscard]] UndoHandlers& Undos() { return *undo_; }
    [[nodiscard]] UserDialogs& Dialogs() override { return dialogs_; }
    // The seam for calls made on the window's own thread.
    [[nodiscard]] engine::WindowSeam& Seam() override { return *seam_; }
    [[nodiscard]] QWidget& Window() override { return *this; }

    // The track list, its view and the rules that decide which controls are on.
    void FillTrackListView() override;
    void ClearTrackListView() override;
    void RefreshTrackListView() override;
    void ShowEditedList() override;
    void HistoryChanged() override;
    [[nodiscard]] bool AnyTrackChecked() const override;
    // Clicks and changes in the list are ignored while a save runs or a preview plays.
    [[nodiscard]] bool ListLocked() const override;
    // Each row's check box and selection, top to bottom; each row's check box.
    [[nodiscard]] std::vector<engine::RowMark> RowMarks() const override;
    [[nodiscard]] std::vector<bool> RowChecks() const override;
    void FocusTrackList() override;
    void SelectRow(int row) override;
    void WatchTrackList(QObject& receiver, std::function<void()> rowsChanged, std::function<void()> listShown) override;
    using FormPanel::ShowWaveInfo;
    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      engine::SampleKind kind, bool clear) override;
    void SetStatusText(const QString& text) override;
    [[nodiscard]] QString StatusText(int panel) const;
    [[nodiscard]] bool Enabled(Control control) const override;
    void SetEnabled(Control control, bool enabled) override;
    [[nodiscard]] QString FileNameText() const override;
    void SetFileNameText(const QString& text) override;
    [[nodiscard]] engine::SaveType ChosenSaveType() const override;
    void UpdateMergeButton() override;
    void UpdateTrackButtons() override;
    void SetFileControlsEnabled(bool v) override;
    void SetAnalysisControlsEnabled(bool v) override;
    void SetJobControlsEnabled(bool v) override;
    void SetPreviewControlsEnabled(bool v) override;
    void TrackListViewClick();
    void TrackListViewChange() override;
    void TrackListViewExit();
    void SelectAllMenuItemClick();
    void SelectNoneMenuitemClick();
    // The progress bar and the Abort button (analysis and save alike).
    void ShowJobProgress() override;
    void SetJobProgress(int percent) override;
    void HideJobProgress() override;

    [[nodiscard]] WorkerThreads& Workers() override { return workers_; }
    // Whether a worker's call still concerns the window: its job is the current one.
    [[nodiscard]] bool IsCurrentAnalysis(const void* job) const override;
    [[nodiscard]] bool IsCurrentJob(const void* job) const override;
    [[nodiscard]] bool AnalysisRunning() const override;
    void StopAnalysis() override;

    // Start-up and opening files.
    void FormShow();
    // A file passing from a second start: 1 when accepted (the names are opened
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
    // The list view was filled anew (an analysis, a split or a merge), or its
    // rows were written again (an import).
    void trackListShown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void WireFeatures();
    void ConnectHandlers();
    void TrackListViewEdited(int row, const QString& text);
    void FlagUnsavableName(int row);
    // Import, Paste Track Names and Recording Details: on with v while there is a list.
    void SetListMenuItemsEnabled(bool v);
    void PasteMenuItemClick();
    // The Undo and Redo items' names, and on while the history has a step and editable.
    void ShowUndoItems(bool editable);
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
    std::unique_ptr<ImportHandlers> imports_;
    std::unique_ptr<DetailsHandlers> detailsEditor_;
    std::unique_ptr<UndoHandlers> undo_;
    WorkerThreads workers_{*this, WorkerIdleEvent};
    HelpViewer* helpViewer_ = nullptr;
    bool shown_ = false;
    QString nameFlagStatus_;  // the status line's last flag of a typed name
    bool endingOnSignal_ = false;
};

}  // namespace quillon::app
