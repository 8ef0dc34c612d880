#include "analysis/window/LevelView.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <iterator>

#include "analysis/TrackTimes.h"

namespace quillon::app {
namespace {

constexpr int kRulerHeight = 20;
constexpr int kLabelHeight = 16;
const QColor kLevel(59, 110, 168);
const QColor kQuiet(242, 193, 78, 90);
const QColor kChecked(46, 125, 50, 40);
const QColor kBoundary(179, 38, 30);
const QColor kThreshold(46, 125, 50);
const QColor kAdded(0, 121, 107);

QString Clock(uint32_t ms) {
    const uint32_t s = ms / 1000;
    return QString("%1:%2").arg(s / 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'));
}

}  // namespace

CutChanges CompareCuts(const std::vector<MsSpan>& quiet, const std::vector<uint32_t>& cuts,
                       const std::vector<uint32_t>& boundaries) {
    // Both lists are in time order; a list of ten thousand tracks is compared
    // at every check box it changes.
    CutChanges changes;
    for (std::size_t i = 0; i < cuts.size() && i < quiet.size(); ++i) {
        const auto b = std::lower_bound(boundaries.begin(), boundaries.end(), quiet[i].FromMs);
        if (b == boundaries.end() || *b > quiet[i].ToMs) changes.Added.push_back(cuts[i]);
    }
    for (uint32_t b : boundaries) {
        const auto after = std::upper_bound(quiet.begin(), quiet.end(), b,
                                            [](uint32_t ms, const MsSpan& s) { return ms < s.FromMs; });
        if (after == quiet.begin() || b > std::prev(after)->ToMs) changes.Dropped.push_back(b);
    }
    return changes;
}

LevelView::LevelView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelView::SetOverview(const engine::LevelOverview* overview) {
    overview_ = overview;
    DrawLevels();
    update();
}

void LevelView::SetTracks(std::vector<TrackMark> tracks) {
    tracks_ = std::move(tracks);
    CompareWithList();
    update();
}

void LevelView::CompareWithList() {
    changes_ = {};
    if (!previewCuts_) return;
    std::vector<uint32_t> boundaries;
    for (std::size_t i = 1; i < tracks_.size(); ++i) boundaries.push_back(tracks_[i].StartMs);
    changes_ = CompareCuts(quiet_, *previewCuts_, boundaries);
}

void LevelView::SetCuts(std::vector<MsSpan> quiet, std::optional<std::vector<uint32_t>> previewCutsMs,
                        int32_t amplitudePercent) {
    quiet_ = std::move(quiet);
    previewCuts_ = std::move(previewCutsMs);
    amplitude_ = amplitudePercent;
    CompareWithList();
    update();
}

void LevelView::SetPlayPosition(std::optional<uint32_t> ms) {
    if (ms == play_) return;
    play_ = ms;
    update();
}

QRect LevelView::Plot() const { return rect().adjusted(0, kLabelHeight, -1, -kRulerHeight); }

uint32_t LevelView::TotalMs() const {
    if (overview_ == nullptr || overview_->SamplesPerSec == 0) return 0;
    return uint32_t(overview_->TotalFrames * 1000 / overview_->SamplesPerSec);
}

uint32_t LevelView::MsAt(int x) const {
    const QRect plot = Plot();
    const double share = std::clamp(double(x - plot.left()) / std::max(1, plot.width()), 0.0, 1.0);
    return uint32_t(share * TotalMs());
}

double LevelView::XOf(uint32_t ms) const {
    const QRect plot = Plot();
    const uint32_t total = TotalMs();
    return plot.left() + (total == 0 ? 0 : double(ms) * plot.width() / total);
}

uint16_t LevelView::PeakAt(int x) const {
    const std::size_t n = overview_ == nullptr ? 0 : overview_->Peaks.size();
    const int width = std::max(1, Plot().width());
    if (n == 0 || x < 0 || x >= width) return 0;
    const std::size_t from = std::size_t(uint64_t(x) * n / uint64_t(width));
    const std::size_t to = std::max(from + 1, std::size_t(uint64_t(x + 1) * n / uint64_t(width)));
    return *std::max_element(overview_->Peaks.begin() + std::ptrdiff_t(from),
                             overview_->Peaks.begin() + std::ptrdiff_t(std::min(to, n)));
}

void LevelView::DrawLevels() {
    const QRect plot = Plot();
    levels_ = QImage(std::max(1, plot.width()), std::max(1, plot.height()), QImage::Format_ARGB32_Premultiplied);
    levels_.fill(Qt::transparent);
    if (overview_ == nullptr || overview_->Empty()) return;
    QPainter painter(&levels_);
    painter.setPen(kLevel);
    for (int x = 0; x < levels_.width(); ++x) {
        const double share = std::min(overview_->Percent(PeakAt(x)), 100.0) / 100;
        painter.drawLine(x, levels_.height() - 1, x, levels_.height() - 1 - int(share * (levels_.height() - 1)));
    }
}

void LevelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    DrawLevels();
}

void LevelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRect plot = Plot();
    if (overview_ == nullptr || overview_->Empty()) {
        painter.setPen(palette().placeholderText().color());
        painter.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, kNothingYet);
        return;
    }
    for (const MsSpan& s : quiet_) {
        painter.fillRect(QRectF(QPointF(XOf(s.FromMs), plot.top()), QPointF(XOf(s.ToMs), plot.bottom())), kQuiet);
    }
    for (const TrackMark& t : tracks_) {
        if (t.Checked) {
            painter.fillRect(QRectF(QPointF(XOf(t.StartMs), plot.top()), QPointF(XOf(t.StopMs), plot.bottom())),
                             kChecked);
        }
    }
    painter.drawImage(plot.topLeft(), levels_);
    const double threshold = plot.bottom() - std::min(amplitude_, 100) * (plot.height() - 1) / 100.0;
    painter.setPen(QPen(kThreshold, 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), threshold), QPointF(plot.right(), threshold));
    DrawTracks(painter);
    DrawChanges(painter);
    DrawRuler(painter);
    DrawPlayPosition(painter);
}

void LevelView::DrawPlayPosition(QPainter& painter) const {
    if (!play_) return;
    const QRect plot = Plot();
    const double x = XOf(*play_);
    painter.setPen(QPen(palette().text().color(), 2));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    // The time rides beside the line, on its left where the right has no room.
    const QString time = QString::fromStdString(engine::FormatTime(*play_));
    const QSize size = painter.fontMetrics().size(0, time) + QSize(8, 2);
    QRectF box(QPointF(x + 4, plot.top() + 2), size);
    if (box.right() > plot.right()) box.moveRight(x - 4);
    painter.fillRect(box, palette().base());
    painter.setPen(palette().text().color());
    painter.drawRect(box);
    painter.drawText(box, Qt::AlignCenter, time);
}

void LevelView::DrawTracks(QPainter& painter) const {
    const QRect plot = Plot();
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        const TrackMark& t = tracks_[i];
        const double start = XOf(t.StartMs), stop = XOf(t.StopMs);
        if (i > 0) {
            painter.setPen(QPen(kBoundary, 1.5));
            painter.drawLine(QPointF(start, plot.top() - 4), QPointF(start, plot.bottom()));
        }
        if (t.Selected) {
            painter.setPen(QPen(palette().highlight().color(), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(QPointF(start + 1, plot.top() + 1), QPointF(stop - 1, plot.bottom() - 1)));
        }
        painter.setPen(palette().text().color());
        painter.drawText(QRectF(start, 0, stop - start, kLabelHeight), Qt::AlignCenter, QString::number(i + 1));
    }
}

void LevelView::DrawChanges(QPainter& painter) const {
    const QRect plot = Plot();
    painter.setPen(QPen(kAdded, 2, Qt::DashLine));
    for (uint32_t cut : changes_.Added)
        painter.drawLine(QPointF(XOf(cut), plot.top()), QPointF(XOf(cut), plot.bottom()));
    painter.setPen(QPen(palette().text().color(), 2));
    for (uint32_t b : changes_.Dropped) {
        const QPointF c(XOf(b), plot.top() + 8);
        painter.drawLine(c + QPointF(-5, -5), c + QPointF(5, 5));
        painter.drawLine(c + QPointF(-5, 5), c + QPointF(5, -5));
    }
}

void LevelView::DrawRuler(QPainter& painter) const {
    static const uint32_t kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
    const uint32_t total = TotalMs();
    if (total == 0) return;
    const int spacing = painter.fontMetrics().horizontalAdvance("00:00") * 2;
    uint32_t step = kSteps[std::size(kSteps) - 1];
    for (uint32_t s : kSteps) {
        if (XOf(s * 1000) - XOf(0) >= spacing) {
            step = s;
            break;
        }
    }
    const int y = Plot().bottom();
    painter.setPen(palette().text().color());
    for (uint64_t ms = 0; ms <= total; ms += uint64_t(step) * 1000) {
        const double x = XOf(uint32_t(ms));
        painter.drawLine(QPointF(x, y), QPointF(x, y + 4));
        // The first and last labels are kept whole inside the view.
        QRectF box(x - spacing / 2.0, y + 4, spacing, kRulerHeight - 4);
        Qt::Alignment side = Qt::AlignHCenter;
        if (box.left() < 0) {
            box.moveLeft(0);
            side = Qt::AlignLeft;
        } else if (box.right() > width()) {
            box.moveRight(width());
            side = Qt::AlignRight;
        }
        painter.drawText(box, side | Qt::AlignTop, Clock(uint32_t(ms)));
    }
}

void LevelView::mousePressEvent(QMouseEvent* event) {
    const uint32_t ms = MsAt(int(event->position().x()));
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        if (ms >= tracks_[i].StartMs && (ms < tracks_[i].StopMs || i + 1 == tracks_.size())) {
            emit trackClicked(int(i));
            return;
        }
    }
}

void LevelView::mouseMoveEvent(QMouseEvent* event) {
    if (overview_ == nullptr || overview_->Empty()) return;
    const int x = int(event->position().x()) - Plot().left();
    emit pointed(QString("%1  %2 %")
                     .arg(QString::fromStdString(engine::FormatTime(MsAt(int(event->position().x())))))
                     .arg(overview_->Percent(PeakAt(x)), 0, 'f', 1));
}

}  // namespace quillon::app
