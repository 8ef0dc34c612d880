#pragma once
// The picture of a recording in the overview window: its level, one column per
// pixel (the largest level the overview holds for that column), a time ruler
// in mm:ss, the silence amplitude as a line, the shaded quiet stretches that
// split it, every track boundary with the track's number, checked tracks
// tinted, the selected track outlined, and a preview's position (a line with
// its time, mm:ss:mmm, beside it); for other
// thresholds than the list's, the cuts they would add (dashed) and the
// boundaries they would drop (crossed). Before any analysis it says so. Drawn
// from memory only. A click reports the track under the pointer; moving over
// it reports the time and level there.

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/LevelOverview.h"

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

class LevelView : public QWidget {
    Q_OBJECT
public:
    explicit LevelView(QWidget* parent = nullptr);

    // What the empty view says.
    static constexpr const char* kNothingYet = "Nothing analysed yet: open a recording and press Analyze.";

    // The overview drawn (none: an empty picture); it must outlive its use here.
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

    // The time at x in this widget, in ms (clamped to the recording).
    [[nodiscard]] uint32_t MsAt(int x) const;
    // The x of a time.
    [[nodiscard]] double XOf(uint32_t ms) const;
    [[nodiscard]] uint32_t TotalMs() const;

    QSize sizeHint() const override { return {720, 240}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

signals:
    // The track under a click, by row.
    void trackClicked(int row);
    // What lies under the pointer: "01:23:450  12.3 %".
    void pointed(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] QRect Plot() const;
    // The largest peak of the overview's columns under pixel x of the plot.
    [[nodiscard]] uint16_t PeakAt(int x) const;
    void DrawLevels();
    void DrawRuler(QPainter& painter) const;
    void DrawTracks(QPainter& painter) const;
    void DrawChanges(QPainter& painter) const;
    void DrawPlayPosition(QPainter& painter) const;
    void CompareWithList();

    const engine::LevelOverview* overview_ = nullptr;
    std::vector<TrackMark> tracks_;
    std::vector<MsSpan> quiet_;
    std::optional<std::vector<uint32_t>> previewCuts_;
    CutChanges changes_;
    int32_t amplitude_ = 0;
    std::optional<uint32_t> play_;
    QImage levels_;  // the level columns, redrawn when the data or the size change
};

}  // namespace quillon::app
