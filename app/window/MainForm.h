#pragma once
// The main window: one wave file, its tracks, and the controls that act on
// them. It owns the one track list and starts every job; workers reach it only
// through the window seam, which carries their calls to this window's thread.
// Handlers are named after their control and event; their bodies live in the
// MainForm*.cpp files, one concern each.

#include <QMainWindow>

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/AnalysisJob.h"
#include "app/FileListBlock.h"
#include "app/TrackList.h"
#include "app/WorkerIdleEvent.h"
#include "editing/TrackEdits.h"
#include "export/SaveJob.h"
#include "handoff/Companion.h"
#include "preview/window/KVPlayerWrapper.h"
#include "preview/PreviewRange.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;

namespace quillon::app {

class TSimpleBmpButton;
class TTrackListView;
class TSplitForm;
class TSaveAsMP3Form;
class TCodecMessageForm;
class TPreferencesForm;
class UserDialogs;
class FormSeam;
class HelpViewer;
enum class HelpTopic : int;

// One analysis: the shared record and the tracks its worker finds. The worker
// holds its own reference, so an aborted worker that is still finishing never
// empties or frees a newer job's state; the window takes the tracks over only
// once the job is finished.
struct AnalysisTask {
    engine::AnalysisJob Job;
    engine::TrackList Tracks;
};

// What the analysis worker runs; the engine's RunAnalysis unless a test says otherwise.
using AnalysisRunner = std::function<void(engine::AnalysisJob&, engine::TrackList&, engine::WindowSeam&)>;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // arguments: the start's command line without the program's path.
    TMainForm(std::vector<std::string> arguments, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Controls.
    QLineEdit* FileNameEdit = nullptr;
    TSimpleBmpButton* BrowseButton = nullptr;
    TSimpleBmpButton* AnalyzeButton = nullptr;
    TTrackListView* TrackListView = nullptr;
    TSimpleBmpButton* SplitButton = nullptr;
    TSimpleBmpButton* MergeButton = nullptr;
    TSimpleBmpButton* PreViewTrackStartButton = nullptr;
    TSimpleBmpButton* PreViewTrackEndButton = nullptr;
    TSimpleBmpButton* StopPreviewButton = nullptr;
    QComboBox* FileTypeComboBox = nullptr;
    TSimpleBmpButton* SaveButton = nullptr;
    TSimpleBmpButton* EditButton = nullptr;
    TSimpleBmpButton* BurnCDButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    TSimpleBmpButton* AbortButton = nullptr;
    std::array<QLabel*, 5> StatusPanels{};
    QAction* OpenMenuItem = nullptr;
    QAction* SaveMenuItem = nullptr;
    QAction* BurnMenuItem = nullptr;
    QAction* EditMenuItem = nullptr;
    QAction* PreferencesMenuItem = nullptr;
    QAction* ExitMenuItem = nullptr;
    QAction* SelectAllMenuItem = nullptr;
    QAction* SelectNoneMenuitem = nullptr;
    QAction* HelpTopicsItem = nullptr;
    QAction* AboutQuillonMenuItem = nullptr;
    QTimer* AnalyzeTimer = nullptr;
    QTimer* AudioTimer = nullptr;
    QTimer* SaveFileTimer = nullptr;
    TSplitForm* SplitForm = nullptr;
    TSaveAsMP3Form* SaveAsMP3Form = nullptr;
    TCodecMessageForm* CodecMessageForm = nullptr;
    TPreferencesForm* PreferencesForm = nullptr;

    // State shared with the workers and the other commands.
    std::atomic<bool> UiBusy{false};
    std::atomic<bool> Previewing{false};
    std::atomic<bool> SaveRunning{false};
    std::string CurrentWaveFile;
    std::shared_ptr<AnalysisTask> AnalysisJob;
    std::shared_ptr<engine::SaveJob> SaveJob;  // the running or last save; its worker holds it too
    engine::TrackList TrackList;
    engine::WorkerIdleEvent WorkerIdleEvent;
    uint32_t PreviewStopPosition = 0;  // ms; where the running preview ends
    PreviewPlayer Player;              // the player library unless a test says otherwise
    bool LameAvailable = false;        // the LAME shim loaded at start-up
    std::string CurrentCodecName;      // of the next MP3 save
    uint16_t CurrentBitRate = 0;       // kbit/s
    std::shared_ptr<engine::CompanionRequest> CompanionRequest;  // the pending hand-off launch
    std::string RegistryFile;          // where the companion is looked up

    // Track list and control state.
    void FillTrackListView();
    void ClearTrackList();
    void FreeTrackList();
    void FreeAnalysisJob();
    void StoreEditedName(int row);
    [[nodiscard]] bool AnyTrackChecked() const;
    [[nodiscard]] bool AnyTrackSelected() const;
    // Clicks and changes in the list are ignored while a save runs or a preview plays.
    [[nodiscard]] bool ListLocked() const;
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
    void TrackListViewEdited(int row, const QString& text);
    void SelectAllMenuItemClick();
    void SelectNoneMenuitemClick();
    // Each row's check box and selection, top to bottom.
    [[nodiscard]] std::vector<engine::RowMark> RowMarks() const;

    // The save job.
    void SaveButtonClick();
    void SaveMenuItemClick() { SaveButtonClick(); }
    void SaveCheckedTracks(engine::SaveType type, bool skipSavedWaves, bool handOff);
    void SaveFileTimerTimer();
    void FreeSaveJob();
    // Makes sure an MP3 save can run: an encoder, and a codec and bit rate that
    // fit the source (asking for them when needed). True to go on.
    [[nodiscard]] bool CheckMp3Readiness();
    // Each row's check box, top to bottom.
    [[nodiscard]] std::vector<bool> RowChecks() const;

    // Edit and Burn: the saved tracks in the companion program.
    void EditButtonClick();
    void BurnCDButtonClick();
    void OpenInCompanion(engine::HandOffMode mode);
    void PrepareCompanionLaunch(const std::string& exePath, engine::HandOffMode mode);
    void LaunchCompanion(const engine::CompanionRequest& request);

    // Preferences.
    void PreferencesMenuItemClick();

    // Split and merge.
    void SplitButtonClick();
    void MergeButtonClick();

    // Preview.
    void PreViewTrackStartButtonClick();
    void PreViewTrackEndButtonClick();
    void StopPreviewButtonClick();
    void PlayPreview(engine::PreviewMode mode);
    void AudioTimerTimer();

    // The analysis job.
    void analyzeButtonClick();
    void AnalyzeTimerTimer();
    void AbortButtonClick();
    void StopAnalysis();
    void SetAnalysisRunner(AnalysisRunner runner) { analysisRunner_ = std::move(runner); }

    // Calls of a worker, carried to this thread. Those about an analysis that
    // is no longer the current one are dropped.
    void WorkerShowWaveInfo(const void* job, uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample,
                            uint32_t channels, bool clear);
    void WorkerSetStatusText(const void* job, const std::string& text);
    void WorkerStopAnalysis(const void* job);
    [[nodiscard]] UserDialogs& Dialogs() { return dialogs_; }

    // Start-up and opening files.
    void FormShow();
    // A hand-off from a second start: 1 when accepted (the names are opened
    // later from the event loop), 0 when busy or empty.
    [[nodiscard]] int WMCopyData(const void* bytes, std::size_t size);
    void OpenFileList(std::shared_ptr<engine::FileListBlock> block);
    void WMDropFiles(const QStringList& names);
    void BrowseButtonClick();
    void OpenMenuItemClick() { BrowseButtonClick(); }
    void FileNameEditChange();
    void BringToFront();

    // Closing, shutdown and Help.
    void ExitMenuItemClick();
    void FormCloseQuery(bool& canClose);
    void FormClose();
    [[nodiscard]] bool PrepareShutdown();
    [[nodiscard]] bool AllTracksSaved() const;
    void HelpTopicsItemClick();
    void ShowHelpTopic(HelpTopic topic);
    void AboutQuillonMenuItemClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void CreateStatusBar();
    void ConnectHandlers();
    TSimpleBmpButton* MakeButton(const char* artwork, const QString& label, const QString& tip, int x, int y);
    void PostOpenFileList(std::shared_ptr<engine::FileListBlock> block);
    void StartAnalysisWorker(const std::shared_ptr<AnalysisTask>& task);
    // Runs work on a thread of its own; what work returns runs on the window's
    // thread after it has ended. False when no thread could be made.
    bool StartWorker(std::function<std::function<void()>()> work);
    void AnalysisWorkerEnded(const std::shared_ptr<AnalysisTask>& task);
    void ReturnToIdle();
    // Hides and disables the progress bar and the Abort button (analysis and save alike).
    void HideJobProgress();
    void StopAndJoinWorkers();
    void AbortSave();
    void StartSaveWorker(const std::shared_ptr<engine::SaveJob>& job);
    void SaveWorkerEnded(const std::shared_ptr<engine::SaveJob>& job, engine::SaveEnd end);
    void JoinWorker(std::thread::id worker);
    [[nodiscard]] engine::SaveHooks MakeSaveHooks(const std::shared_ptr<engine::SaveJob>& job);
    void ShowMp3Status(engine::SaveJob& job);
    [[nodiscard]] bool IsCurrentAnalysis(const void* job) const;
    [[nodiscard]] bool IsCurrentJob(const void* job) const;
    void HandOffCommand(TSimpleBmpButton* button, engine::HandOffMode mode);
    void StoreFileType();
    void StartPreview(TSimpleBmpButton* pressed, TSimpleBmpButton* other, engine::PreviewMode mode);
    void RestorePreviewControls();
    void RebuildRows();
    void EndCommand();

    std::vector<std::string> arguments_;
    UserDialogs& dialogs_;
    std::unique_ptr<FormSeam> seam_;
    AnalysisRunner analysisRunner_;
    std::map<std::thread::id, std::thread> workers_;
    HelpViewer* helpViewer_ = nullptr;
    bool shown_ = false;
};

}  // namespace quillon::app
