#pragma once
// The overview window (View > Overview): the recording's level with its cuts,
// and the two thresholds to steer them. Changing a field redraws at once, from
// the overview, where the cuts would fall and how many tracks that gives; Find
// fills both fields for a number of tracks; Analyze stores them as the
// settings and runs the normal analysis. It follows the main window's busy
// state and never changes the list while a save runs. It draws from memory
// only: opening it never reads the recording.

#include <QWidget>

#include <atomic>
#include <memory>

#include "analysis/AnalysisJob.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace quillon::app {

class TMainForm;
class LevelView;

class TOverviewForm : public QWidget {
    Q_OBJECT
public:
    explicit TOverviewForm(TMainForm& form);
    ~TOverviewForm() override;

    LevelView* View = nullptr;
    QSpinBox* AmplitudeEdit = nullptr;  // percent, 1..100
    QSpinBox* DurationEdit = nullptr;   // seconds, 1..100
    QSpinBox* TracksEdit = nullptr;
    QPushButton* FindButton = nullptr;
    QPushButton* AnalyzeButton = nullptr;
    QLabel* CountLabel = nullptr;    // how many tracks the fields give
    QLabel* ReportLabel = nullptr;   // why a single track was found
    QLabel* PointerLabel = nullptr;  // the time and level under the pointer

    // The analysis, the list or the fields changed: redraw from them.
    void Refresh();
    void FindButtonClick();
    void AnalyzeButtonClick();
    // Stops a running Find (shutdown, or the window closed).
    void AbortFind();
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
    void FollowTheWindow();
    void SelectRow(int row);
    void FindEnded(const std::shared_ptr<FindTask>& task);
    void StorePlace() const;
    void RestorePlace();

    TMainForm& form_;
    QTimer* follow_ = nullptr;
    std::shared_ptr<FindTask> find_;
    bool placed_ = false;
};

}  // namespace quillon::app
