#pragma once
// The overview window (View > Overview): the recording's level with its cuts,
// and the two thresholds to steer them. Changing a field redraws at once, from
// the overview, where the cuts would fall and how many tracks that gives; Find
// fills both fields for a number of tracks (only the duration when the
// amplitude is kept), or says in the status line that no thresholds give that
// many and offers the closest; Analyze stores them as the settings (its
// tooltip, the main window's status line and, until the next analysis or
// Find, this window's status line say so) and runs the normal analysis. While a preview plays, its position shows
// as a time beside the moving line and in the window title. A Find is a job like an analysis: the main window's Analyze
// waits for it. It follows the main window's busy state and never changes the list while a save runs. It draws from
// memory only: opening it never reads the recording, until it is zoomed in
// below its 10 ms columns; then a worker reads the samples shown. The cuts are
// edited on the picture too: a boundary dragged or nudged, a double-click or
// S (at the play position) to split, a context menu to merge and to listen.

#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "analysis/AnalysisJob.h"
#include "analysis/GapCandidates.h"
#include "analysis/window/OverviewEdits.h"
#include "analysis/window/OverviewHooks.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QScrollBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace quillon::app {

class FormPanel;
class AnalysisHandlers;
class LevelView;
class SampleReader;

class TOverviewForm : public QWidget {
    Q_OBJECT
public:
    TOverviewForm(FormPanel& form, AnalysisHandlers& analysis, OverviewHooks hooks);
    ~TOverviewForm() override;

    LevelView* View = nullptr;
    QSpinBox* AmplitudeEdit = nullptr;  // percent, 1..100
    QSpinBox* DurationEdit = nullptr;   // seconds, 1..100
    QSpinBox* TracksEdit = nullptr;
    QCheckBox* KeepAmplitudeCheck = nullptr;  // Find chooses only the duration
    // Whether a single track in a long recording brings this window to the front.
    QCheckBox* ShowOnOneTrackCheck = nullptr;
    QPushButton* FindButton = nullptr;
    QPushButton* AnalyzeButton = nullptr;
    QLabel* CountLabel = nullptr;             // how many tracks the fields give
    QLabel* ReportLabel = nullptr;            // why a single track was found
    QLabel* PointerLabel = nullptr;           // the time and level under the pointer
    QLabel* StatusLabel = nullptr;            // what Find found, or that it found none
    QPushButton* UseClosestButton = nullptr;  // shown when Find offers the closest count
    QScrollBar* ScrollBar = nullptr;          // the stretch shown, in ms
    QPushButton* WholeButton = nullptr;       // shows the whole recording
    QComboBox* AxisBox = nullptr;             // the level axis: linear or dBFS
    SampleReader* Samples = nullptr;
    OverviewEdits Edits;

    // The analysis, the list or the fields changed: redraw from them.
    void Refresh();
    void FindButtonClick();
    void AnalyzeButtonClick();
    void UseClosestButtonClick();
    // The context menu's commands, at a time in ms.
    void SplitHere(uint32_t ms);
    void MergeWithNext(uint32_t ms);
    void PlayFromHere(uint32_t ms);
    void PlayAroundCut(std::size_t boundary);
    // S: splits where the running preview plays, after stopping it.
    void SplitAtPlay();
    // Stops a running Find (shutdown, or the window closed).
    void AbortFind();
    // To the front (shown, raised, activated) with the Find field focused.
    void ShowFind();
    // Whether a Find runs.
    [[nodiscard]] bool Finding() const { return find_ != nullptr; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct FindTask;
    void MakeControls();
    void RefreshTracks();
    void RefreshCuts();
    void RefreshAnalyzeTip();
    void StoreShowOnOneTrack();
    void FollowTheWindow();
    void SelectRow(int row);
    void FindEnded(const std::shared_ptr<FindTask>& task);
    void ShowAnswer(const FindTask& task);
    void MakeViewControls();
    void ConnectView();
    void ShowMenu(uint32_t ms, std::size_t boundary, const QPoint& globalPos);
    void FollowSpan();
    void StoreAxis();
    void StorePlace() const;
    void RestorePlace();
    // The first time: beside the main window, or below it when the screen has no room beside it.
    void PlaceBesideWindow();

    FormPanel& form_;
    AnalysisHandlers& analysis_;
    OverviewHooks hooks_;
    const void* shownPeaks_ = nullptr;  // the overview last given to the view, to tell a new analysis
    QTimer* follow_ = nullptr;
    std::shared_ptr<FindTask> find_;
    std::optional<engine::ThresholdChoice> closest_;
    bool placed_ = false;
    // What Analyze kept: shown from its press until the next analysis or Find starts.
    QString keptNote_;
    bool keptAnalysed_ = false;  // the analysis Analyze started has finished
};

}  // namespace quillon::app
