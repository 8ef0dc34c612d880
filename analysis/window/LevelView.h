#pragma once
// The picture of a recording in the overview window: its level, one column per
// pixel (the largest level the overview holds for that column), a time ruler,
// the silence amplitude as a line, the shaded quiet stretches that split it,
// every track boundary with the track's number, checked tracks tinted, the
// selected track outlined, and a preview's position (a line with its time,
// mm:ss:mmm, beside it); for other thresholds than the list's, the cuts they
// would add (dashed) and the boundaries they would drop (crossed). Before any
// analysis it says so.
//
// It shows a stretch of the recording, the whole of it at first: Ctrl+wheel
// (or + and -) zooms around the pointer, the wheel, the ruler dragged and
// the scroll bar the form keeps scroll, Home shows the whole again. Down to
// the overview's 10 ms columns it draws from memory, in a time that does not
// grow with the recording's length; below them it asks for the samples of
// the stretch shown (samplesWanted), which a worker reads, and draws their
// largest level per pixel down to single samples.
//
// It edits nothing itself: dragging a boundary, the keys on a boundary, a
// double-click, the amplitude line and the context menu are reported as
// signals for the form to carry out on the list.

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "analysis/LevelOverview.h"
#include "analysis/PeakPyramid.h"
#include "analysis/SampleColumns.h"

namespace quillon::app {

// One track of the list, as the view shows it.
struct TrackMark {
    uint32_t StartMs = 0;
    uint32_t StopMs = 0;
    bool Checked = false;
    bool Selected = false;
};

// A stretch of the recording in milliseconds.
struct MsSpan {
    uint32_t FromMs = 0;
    uint32_t ToMs = 0;
};

// How a preview's cuts differ from the list's boundaries. quiet[i] is the
// stretch that cuts[i] halves; both lists in time order. A boundary inside a stretch stays (its cut moves
// within that gap at most); a cut whose stretch holds no boundary is added; a
// boundary inside no stretch is dropped.
struct CutChanges {
    std::vector<uint32_t> Added;    // preview cuts, ms
    std::vector<uint32_t> Dropped;  // list boundaries, ms
};
[[nodiscard]] CutChanges CompareCuts(const std::vector<MsSpan>& quiet, const std::vector<uint32_t>& cuts,
                                     const std::vector<uint32_t>& boundaries);

// How the level axis is drawn; the numbers are what the settings store.
enum class LevelAxis : int32_t { Linear = 0, Dbfs = 1 };
// The bottom of the dBFS axis.
inline constexpr double kAxisFloorDb = -60.0;
// Where a level in percent of full scale sits on the axis, 0 (bottom) to 1 (top).
[[nodiscard]] double AxisShare(LevelAxis axis, double percent);
// The level in percent at a share of the axis's height (AxisShare's inverse).
[[nodiscard]] double AxisPercent(LevelAxis axis, double share);

// The frames a sample view asks for: the stretch shown, in whole frames.
struct SampleSpan {
    uint64_t FirstFrame = 0;
    uint64_t Frames = 0;
    uint32_t Pixels = 0;
    friend bool operator==(const SampleSpan&, const SampleSpan&) = default;
};

class LevelView : public QWidget {
    Q_OBJECT
public:
    explicit LevelView(QWidget* parent = nullptr);

    // What the empty view says.
    static constexpr const char* kNothingYet = "Nothing analysed yet: open a recording and press Analyze.";
    // What a sample view says when the file on disk is no longer the one analysed.
    static constexpr const char* kFileChanged =
        "The recording was changed or replaced since it was analysed, so its samples are not shown.";
    // Pixels within which a boundary or the amplitude line is taken by the mouse, and a quiet stretch snaps.
    static constexpr int kGrip = 5;
    static constexpr int kSnap = 8;

    // The overview drawn (none: an empty picture); it must outlive its use
    // here. Another recording is shown whole; the same one again (a new
    // analysis) keeps the stretch shown.
    void SetOverview(const engine::LevelOverview* overview);
    void SetTracks(std::vector<TrackMark> tracks);
    // The stretches shaded, the cuts of a preview before analysing (none when
    // the list's own boundaries are the cuts; else one in each stretch), and
    // the amplitude line.
    void SetCuts(std::vector<MsSpan> quiet, std::optional<std::vector<uint32_t>> previewCutsMs,
                 int32_t amplitudePercent);
    // How the preview's cuts differ from the list's boundaries; none without a preview.
    [[nodiscard]] const CutChanges& Changes() const { return changes_; }
    // The preview's position; nothing when none plays.
    void SetPlayPosition(std::optional<uint32_t> ms);
    void SetLevelAxis(LevelAxis axis);
    [[nodiscard]] LevelAxis Axis() const { return axis_; }

    // The stretch shown: its first millisecond and its length (the whole
    // recording at most, MinSpanMs at least). Setting it keeps it inside the recording.
    [[nodiscard]] double FromMs() const { return fromMs_; }
    [[nodiscard]] double SpanMs() const { return spanMs_; }
    [[nodiscard]] double MinSpanMs() const;
    void ShowSpan(double fromMs, double spanMs);
    void ShowWhole();
    // Zooms by factor (above 1 closer) keeping the time under x where it is.
    void ZoomAround(double factor, int x);
    // The samples a zoom below the columns needs; nothing above them.
    [[nodiscard]] std::optional<SampleSpan> WantedSamples() const;
    // The samples read for span (ignored unless it is still the one wanted),
    // or that the file has changed.
    void SetSamples(const SampleSpan& span, std::vector<engine::SampleColumn> columns);
    void SetFileChanged(bool changed);
    [[nodiscard]] bool ShowsSamples() const;

    // The boundary the keys act on (1 .. tracks - 1; 0 none).
    [[nodiscard]] std::size_t SelectedBoundary() const { return boundary_; }
    void SelectBoundary(std::size_t boundary);

    // The time at x in this widget, in ms (clamped to the recording).
    [[nodiscard]] uint32_t MsAt(int x) const;
    // The x of a time.
    [[nodiscard]] double XOf(double ms) const;
    [[nodiscard]] uint32_t TotalMs() const;
    // The boundary drawn within kGrip pixels of x (1 .. tracks - 1), or 0.
    [[nodiscard]] std::size_t BoundaryNear(int x) const;
    // The track holding a time, by row; nothing without tracks.
    [[nodiscard]] std::optional<std::size_t> TrackAt(uint32_t ms) const;
    // Where a boundary dragged to x lands: the middle of a shown quiet stretch
    // within kSnap pixels, unless snapping is off.
    [[nodiscard]] uint32_t DropPoint(int x, bool snap) const;

    QSize sizeHint() const override { return {720, 240}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

signals:
    // The track under a click, by row.
    void trackClicked(int row);
    // What lies under the pointer: "01:23:450  12.3 %".
    void pointed(const QString& text);
    // The stretch shown changed (zoom, scroll, a new recording).
    void spanChanged();
    // A zoom below the columns needs these samples.
    void samplesWanted(const quillon::app::SampleSpan& span);
    // A boundary's drag: taken, moved (live, to ms), let go, or put back by Esc.
    void boundaryTaken(std::size_t boundary);
    void boundaryDragged(std::size_t boundary, uint32_t ms);
    void boundaryDropped(std::size_t boundary);
    void boundaryDragCancelled(std::size_t boundary);
    // Shift+Left/Right (10 ms) and Ctrl+Shift+Left/Right (1 ms) on the selected boundary.
    void boundaryNudged(std::size_t boundary, int32_t deltaMs);
    // A double-click at a time; S at the play position; the amplitude line dragged.
    void splitWanted(uint32_t ms);
    void splitAtPlayWanted();
    void amplitudeDragged(int32_t percent);
    // The context menu at a time; boundary: the one within reach, or 0.
    void menuWanted(uint32_t ms, std::size_t boundary, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class Drag { None, Boundary, Amplitude, Ruler };

    [[nodiscard]] QRect Plot() const;
    [[nodiscard]] double ThresholdY() const;
    [[nodiscard]] double LevelY(double percent) const;
    // The largest peak of the overview's columns under pixel x of the plot.
    [[nodiscard]] uint16_t PeakAt(int x) const;
    [[nodiscard]] double PercentAt(int x) const;
    void SpanMoved();
    void DrawLevels();
    void DrawColumns();
    void DrawSamples(QPainter& painter);
    // The plot's pixel columns [first, last) from one time to another.
    [[nodiscard]] std::pair<int, int> Columns(uint32_t fromMs, uint32_t toMs) const;
    void DrawShading(QPainter& painter) const;
    void DrawRuler(QPainter& painter) const;
    void DrawTracks(QPainter& painter) const;
    void DrawChanges(QPainter& painter) const;
    void DrawPlayPosition(QPainter& painter) const;
    void DrawNote(QPainter& painter, const QString& text) const;
    void CompareWithList();
    void DragTo(const QPoint& at, Qt::KeyboardModifiers modifiers);
    [[nodiscard]] bool KeyOnBoundary(const QKeyEvent& event);

    const engine::LevelOverview* overview_ = nullptr;
    engine::PeakPyramid pyramid_;
    std::vector<TrackMark> tracks_;
    std::vector<MsSpan> quiet_;
    std::optional<std::vector<uint32_t>> previewCuts_;
    CutChanges changes_;
    int32_t amplitude_ = 0;
    std::optional<uint32_t> play_;
    LevelAxis axis_ = LevelAxis::Linear;
    double fromMs_ = 0;
    double spanMs_ = 0;
    std::pair<uint64_t, uint32_t> shownLength_{};  // frames and rate of the last recording shown
    SampleSpan samplesSpan_;
    std::vector<engine::SampleColumn> samples_;
    bool fileChanged_ = false;
    std::size_t boundary_ = 0;
    Drag drag_ = Drag::None;
    QPoint pressedAt_;
    double pressedFromMs_ = 0;
    QImage levels_;  // the level columns, redrawn when the data, the stretch or the size change
};

}  // namespace quillon::app
