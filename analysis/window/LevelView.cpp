#include "analysis/window/LevelView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStaticText>

#include <algorithm>
#include <cmath>
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

double AxisShare(LevelAxis axis, double percent) {
    if (!(percent > 0)) return 0;
    const double p = std::min(percent, 100.0);
    if (axis == LevelAxis::Linear) return p / 100;
    return std::clamp((20 * std::log10(p / 100) - kAxisFloorDb) / -kAxisFloorDb, 0.0, 1.0);
}

double AxisPercent(LevelAxis axis, double share) {
    share = std::clamp(share, 0.0, 1.0);
    if (axis == LevelAxis::Linear) return share * 100;
    return share <= 0 ? 0 : 100 * std::pow(10.0, (kAxisFloorDb - share * kAxisFloorDb) / 20);
}

LevelView::LevelView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelView::SetOverview(const engine::LevelOverview* overview) {
    overview_ = overview;
    pyramid_ = overview == nullptr ? engine::PeakPyramid() : engine::PeakPyramid(overview->Peaks);
    samples_.clear();
    samplesSpan_ = {};
    fileChanged_ = false;
    if (overview == nullptr || overview->Empty()) return SpanMoved();
    // A new analysis of the same recording keeps the stretch the user looked at.
    const std::pair<uint64_t, uint32_t> length{overview->TotalFrames, overview->SamplesPerSec};
    if (length != shownLength_) {
        shownLength_ = length;
        boundary_ = 0;
        fromMs_ = 0;
        spanMs_ = TotalMs();
    }
    SpanMoved();
}

void LevelView::SetTracks(std::vector<TrackMark> tracks) {
    tracks_ = std::move(tracks);
    if (boundary_ >= tracks_.size()) boundary_ = 0;
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

void LevelView::SetLevelAxis(LevelAxis axis) {
    if (axis == axis_) return;
    axis_ = axis;
    DrawLevels();
    update();
}

void LevelView::SelectBoundary(std::size_t boundary) {
    boundary_ = boundary < tracks_.size() ? boundary : 0;
    update();
}

QRect LevelView::Plot() const { return rect().adjusted(0, kLabelHeight, -1, -kRulerHeight); }

uint32_t LevelView::TotalMs() const {
    if (overview_ == nullptr || overview_->SamplesPerSec == 0) return 0;
    return uint32_t(overview_->TotalFrames * 1000 / overview_->SamplesPerSec);
}

double LevelView::MinSpanMs() const {
    // The deepest zoom gives each sample some eight pixels.
    const double rate = overview_ == nullptr || overview_->SamplesPerSec == 0 ? 1000.0 : overview_->SamplesPerSec;
    return std::max(1.0, Plot().width() / 8.0) * 1000.0 / rate;
}

void LevelView::ShowSpan(double fromMs, double spanMs) {
    const double total = TotalMs();
    spanMs = std::clamp(spanMs, std::min(MinSpanMs(), total), total);
    fromMs = std::clamp(fromMs, 0.0, total - spanMs);
    if (fromMs == fromMs_ && spanMs == spanMs_) return;
    fromMs_ = fromMs;
    spanMs_ = spanMs;
    SpanMoved();
}

void LevelView::ShowWhole() { ShowSpan(0, TotalMs()); }

void LevelView::ZoomAround(double factor, int x) {
    const QRect plot = Plot();
    const double share = std::clamp(double(x - plot.left()) / std::max(1, plot.width()), 0.0, 1.0);
    const double at = fromMs_ + share * spanMs_;
    const double span = spanMs_ / factor;
    ShowSpan(at - share * span, span);
}

void LevelView::SpanMoved() {
    if (const auto wanted = WantedSamples(); wanted && !(*wanted == samplesSpan_)) emit samplesWanted(*wanted);
    DrawLevels();
    emit spanChanged();
    update();
}

std::optional<SampleSpan> LevelView::WantedSamples() const {
    if (overview_ == nullptr || overview_->Empty() || overview_->SamplesPerSec == 0) return std::nullopt;
    const int width = std::max(1, Plot().width());
    if (spanMs_ / width >= overview_->ColumnMs()) return std::nullopt;
    const double rate = overview_->SamplesPerSec;
    const auto first = uint64_t(std::floor(fromMs_ * rate / 1000));
    const auto last = std::min(overview_->TotalFrames, uint64_t(std::ceil((fromMs_ + spanMs_) * rate / 1000)));
    if (last <= first) return std::nullopt;
    return SampleSpan{first, last - first, uint32_t(width)};
}

void LevelView::SetSamples(const SampleSpan& span, std::vector<engine::SampleColumn> columns) {
    const auto wanted = WantedSamples();
    if (!wanted || !(*wanted == span)) return;
    samplesSpan_ = span;
    samples_ = std::move(columns);
    fileChanged_ = false;
    DrawLevels();
    update();
}

void LevelView::SetFileChanged(bool changed) {
    fileChanged_ = changed;
    update();
}

bool LevelView::ShowsSamples() const {
    const auto wanted = WantedSamples();
    return wanted && *wanted == samplesSpan_ && !samples_.empty();
}

uint32_t LevelView::MsAt(int x) const {
    const QRect plot = Plot();
    const double share = std::clamp(double(x - plot.left()) / std::max(1, plot.width()), 0.0, 1.0);
    return uint32_t(std::clamp(std::round(fromMs_ + share * spanMs_), 0.0, double(TotalMs())));
}

double LevelView::XOf(double ms) const {
    const QRect plot = Plot();
    return plot.left() + (spanMs_ <= 0 ? 0 : (ms - fromMs_) * plot.width() / spanMs_);
}

double LevelView::LevelY(double percent) const {
    const QRect plot = Plot();
    return plot.bottom() - AxisShare(axis_, percent) * (plot.height() - 1);
}

double LevelView::ThresholdY() const { return LevelY(std::min(amplitude_, 100)); }

uint16_t LevelView::PeakAt(int x) const {
    const std::size_t n = overview_ == nullptr ? 0 : overview_->Peaks.size();
    const int width = std::max(1, Plot().width());
    const double total = TotalMs();
    if (n == 0 || x < 0 || x >= width || total <= 0) return 0;
    // The whole view keeps, in integers, exactly the columns of each pixel it always had.
    const bool whole = fromMs_ == 0 && spanMs_ == total;
    const auto column = [&](int px) {
        if (whole) return std::size_t(uint64_t(px) * n / uint64_t(width));
        return std::size_t((fromMs_ + px * spanMs_ / width) * double(n) / total);
    };
    const std::size_t from = std::min(column(x), n - 1);
    return pyramid_.RangeMax(from, std::max(from + 1, column(x + 1)));
}

double LevelView::PercentAt(int x) const {
    if (!ShowsSamples()) return overview_->Percent(PeakAt(x));
    const std::size_t c = std::size_t(uint64_t(std::max(0, x)) * samples_.size() / std::max(1, Plot().width()));
    const engine::SampleColumn& s = samples_[std::min(c, samples_.size() - 1)];
    return std::max(std::abs(s.Min), std::abs(s.Max)) * 100.0;
}

void LevelView::DrawLevels() {
    const QRect plot = Plot();
    levels_ = QImage(std::max(1, plot.width()), std::max(1, plot.height()), QImage::Format_ARGB32_Premultiplied);
    levels_.fill(Qt::transparent);
    if (overview_ == nullptr || overview_->Empty()) return;
    if (ShowsSamples()) {
        QPainter painter(&levels_);
        DrawSamples(painter);
    } else {
        DrawColumns();
    }
}

void LevelView::DrawColumns() {
    // Straight into the image: a painter's line per column costs more than the columns.
    const int bottom = levels_.height() - 1;
    const QRgb level = kLevel.rgba();
    uchar* bits = levels_.bits();
    const qsizetype stride = levels_.bytesPerLine();
    for (int x = 0; x < levels_.width(); ++x) {
        const int top = bottom - int(AxisShare(axis_, overview_->Percent(PeakAt(x))) * bottom);
        for (int y = top; y <= bottom; ++y) reinterpret_cast<QRgb*>(bits + y * stride)[x] = level;
    }
}

void LevelView::DrawSamples(QPainter& painter) {
    // The larger of each pixel's lowest and highest sample, on the axis the
    // amplitude line uses; at the deepest zoom each sample is a bar of its own.
    const int bottom = levels_.height() - 1;
    const std::size_t count = samples_.size();
    const int width = levels_.width();
    for (std::size_t c = 0; c < count; ++c) {
        const int x0 = int(c * uint64_t(width) / count);
        const int x1 = std::max(x0 + 1, int((c + 1) * uint64_t(width) / count) - (count * 3 < std::size_t(width)));
        const double level = std::max(std::abs(samples_[c].Min), std::abs(samples_[c].Max)) * 100.0;
        const int top = bottom - int(AxisShare(axis_, level) * bottom);
        painter.fillRect(x0, top, x1 - x0, bottom - top + 1, kLevel);
    }
}

void LevelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double total = TotalMs();
    spanMs_ = std::clamp(spanMs_, std::min(MinSpanMs(), total), total);
    fromMs_ = std::clamp(fromMs_, 0.0, total - spanMs_);
    SpanMoved();
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
    DrawShading(painter);
    painter.drawImage(plot.topLeft(), levels_);
    painter.setPen(QPen(kThreshold, 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), ThresholdY()), QPointF(plot.right(), ThresholdY()));
    DrawTracks(painter);
    DrawChanges(painter);
    DrawRuler(painter);
    DrawPlayPosition(painter);
    if (fileChanged_ && WantedSamples()) DrawNote(painter, kFileChanged);
}

void LevelView::DrawNote(QPainter& painter, const QString& text) const {
    const QRect box = Plot().adjusted(8, 8, -8, 0);
    const QRect used = painter.fontMetrics().boundingRect(box, Qt::AlignLeft | Qt::TextWordWrap, text);
    painter.fillRect(used.adjusted(-4, -2, 4, 2), palette().base());
    painter.setPen(palette().text().color());
    painter.drawText(box, Qt::AlignLeft | Qt::TextWordWrap, text);
}

std::pair<int, int> LevelView::Columns(uint32_t fromMs, uint32_t toMs) const {
    const QRect plot = Plot();
    const int left = std::max(0, int(std::floor(XOf(fromMs))) - plot.left());
    const int right = std::min(plot.width(), int(std::ceil(XOf(toMs))) - plot.left());
    return {left, std::max(left, right)};
}

void LevelView::DrawShading(QPainter& painter) const {
    // The tints are bands the plot's height: they are laid in one row of
    // pixels and stretched at once, as a fill per band would cost a
    // thread hand-off each in the raster engine.
    const QRect plot = Plot();
    QImage row(std::max(1, plot.width()), 1, QImage::Format_ARGB32_Premultiplied);
    row.fill(Qt::transparent);
    auto* pixels = reinterpret_cast<QRgb*>(row.bits());
    const auto tint = [&](uint32_t fromMs, uint32_t toMs, QRgb color) {
        const auto [left, right] = Columns(fromMs, toMs);
        const uint32_t alpha = qAlpha(color);
        for (int x = left; x < right; ++x) {
            const QRgb under = pixels[x];
            const auto mix = [&](int channel, int below) {
                return channel * int(alpha) / 255 + below * int(255 - alpha) / 255;
            };
            pixels[x] = qRgba(mix(qRed(color), qRed(under)), mix(qGreen(color), qGreen(under)),
                              mix(qBlue(color), qBlue(under)), int(alpha) + qAlpha(under) * int(255 - alpha) / 255);
        }
    };
    const double end = fromMs_ + spanMs_;
    // Only what the stretch shows: a long list costs nothing while zoomed in.
    auto q = std::lower_bound(quiet_.begin(), quiet_.end(), fromMs_,
                              [](const MsSpan& s, double ms) { return s.ToMs < ms; });
    for (; q != quiet_.end() && q->FromMs <= end; ++q) tint(q->FromMs, q->ToMs, kQuiet.rgba());
    auto t = std::lower_bound(tracks_.begin(), tracks_.end(), fromMs_,
                              [](const TrackMark& m, double ms) { return m.StopMs < ms; });
    for (; t != tracks_.end() && t->StartMs <= end; ++t) {
        if (t->Checked) tint(t->StartMs, t->StopMs, kChecked.rgba());
    }
    painter.drawImage(QRect(plot.left(), plot.top(), row.width(), plot.height()), row);
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
    const double end = fromMs_ + spanMs_;
    auto first = std::lower_bound(tracks_.begin(), tracks_.end(), fromMs_,
                                  [](const TrackMark& m, double ms) { return m.StopMs < ms; });
    painter.setPen(palette().text().color());
    const QFontMetrics metrics = painter.fontMetrics();
    for (auto t = first; t != tracks_.end() && t->StartMs <= end; ++t) {
        const std::size_t i = std::size_t(t - tracks_.begin());
        const double start = XOf(t->StartMs), stop = XOf(t->StopMs);
        if (i > 0) {
            // Filled, not stroked: a wide pen is the slowest thing a redraw would do.
            const double half = i == boundary_ ? 1.5 : 0.75;
            painter.fillRect(QRectF(start - half, plot.top() - 4, 2 * half, plot.height() + 4),
                             i == boundary_ ? palette().highlight().color() : kBoundary);
        }
        if (t->Selected) {
            painter.setPen(QPen(palette().highlight().color(), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(QPointF(start + 1, plot.top() + 1), QPointF(stop - 1, plot.bottom() - 1)));
            painter.setPen(palette().text().color());
        }
        // The number stays over the part of the track in view, where it fits.
        const double left = std::max(start, double(plot.left())), right = std::min(stop, double(plot.right()));
        const QString number = QString::number(i + 1);
        const int width = metrics.horizontalAdvance(number);
        if (right - left < width) continue;
        painter.drawStaticText(QPointF((left + right - width) / 2, (kLabelHeight - metrics.height()) / 2.0),
                               QStaticText(number));
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
    static const uint32_t kSteps[] = {1,      2,      5,      10,     20,      50,     100,   200,
                                      500,    1000,   2000,   5000,   10000,   15000,  30000, 60000,
                                      120000, 300000, 600000, 900000, 1800000, 3600000};
    if (TotalMs() == 0 || spanMs_ <= 0) return;
    const int clock = painter.fontMetrics().horizontalAdvance("00:00") * 2;
    const int fine = painter.fontMetrics().horizontalAdvance("00:00:000") * 3 / 2;
    uint32_t step = kSteps[std::size(kSteps) - 1];
    for (uint32_t s : kSteps) {
        if (s * double(Plot().width()) / spanMs_ >= (s < 1000 ? fine : clock)) {
            step = s;
            break;
        }
    }
    const int spacing = step < 1000 ? fine : clock;
    const int y = Plot().bottom();
    painter.setPen(palette().text().color());
    const double end = std::min(fromMs_ + spanMs_, double(TotalMs()));
    double lastRight = -1e9;  // a label moved inward at an edge must not cover its neighbour
    for (double ms = std::ceil(fromMs_ / step) * step; ms <= end; ms += step) {
        const double x = XOf(ms);
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
        const auto at = uint32_t(ms);
        const QString label = step < 1000 ? QString::fromStdString(engine::FormatTime(at)) : Clock(at);
        const double used = painter.fontMetrics().horizontalAdvance(label);
        const double textLeft = side == Qt::AlignLeft    ? box.left()
                                : side == Qt::AlignRight ? box.right() - used
                                                         : box.center().x() - used / 2;
        if (textLeft < lastRight + 4) continue;
        lastRight = textLeft + used;
        painter.drawText(box, side | Qt::AlignTop, label);
    }
}

}  // namespace quillon::app
