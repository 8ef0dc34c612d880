// The overview picture's mouse and keys: zoom, scroll, boundaries, the
// amplitude line, double-click and the context menu.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "analysis/TrackTimes.h"
#include "analysis/window/LevelView.h"

namespace quillon::app {

std::size_t LevelView::BoundaryNear(int x) const {
    if (tracks_.size() < 2) return 0;
    const uint32_t ms = MsAt(x);
    const auto after = std::lower_bound(tracks_.begin() + 1, tracks_.end(), ms,
                                        [](const TrackMark& m, uint32_t t) { return m.StartMs < t; });
    std::size_t best = 0;
    double distance = kGrip + 0.5;
    for (auto t : {after - 1, after}) {
        if (t <= tracks_.begin() || t >= tracks_.end()) continue;
        const double d = std::abs(XOf(t->StartMs) - x);
        if (d < distance) {
            distance = d;
            best = std::size_t(t - tracks_.begin());
        }
    }
    return best;
}

std::optional<std::size_t> LevelView::TrackAt(uint32_t ms) const {
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        if (ms >= tracks_[i].StartMs && (ms < tracks_[i].StopMs || i + 1 == tracks_.size())) return i;
    }
    return std::nullopt;
}

uint32_t LevelView::DropPoint(int x, bool snap) const {
    const uint32_t ms = MsAt(x);
    if (!snap) return ms;
    uint32_t best = ms;
    double distance = kSnap + 0.5;
    const auto after = std::lower_bound(quiet_.begin(), quiet_.end(), ms,
                                        [](const MsSpan& s, uint32_t t) { return s.ToMs < t; });
    for (auto q : {after - 1, after, after + 1}) {
        if (q < quiet_.begin() || q >= quiet_.end()) continue;
        const uint32_t middle = q->FromMs + (q->ToMs - q->FromMs) / 2;
        const double d = std::abs(XOf(middle) - x);
        if (d < distance) {
            distance = d;
            best = middle;
        }
    }
    return best;
}

void LevelView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (overview_ == nullptr || overview_->Empty() || event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    pressedAt_ = at;
    pressedFromMs_ = fromMs_;
    if (at.y() > Plot().bottom()) {
        drag_ = Drag::Ruler;
        setCursor(Qt::ClosedHandCursor);
    } else if (const std::size_t b = BoundaryNear(at.x()); b != 0) {
        drag_ = Drag::Boundary;
        SelectBoundary(b);
        emit boundaryTaken(b);
    } else if (std::abs(at.y() - ThresholdY()) <= kGrip) {
        drag_ = Drag::Amplitude;
    } else if (const auto row = TrackAt(MsAt(at.x()))) {
        emit trackClicked(int(*row));
    }
}

void LevelView::DragTo(const QPoint& at, Qt::KeyboardModifiers modifiers) {
    switch (drag_) {
    case Drag::Ruler:
        ShowSpan(pressedFromMs_ - (at.x() - pressedAt_.x()) * spanMs_ / std::max(1, Plot().width()), spanMs_);
        break;
    case Drag::Boundary: emit boundaryDragged(boundary_, DropPoint(at.x(), !(modifiers & Qt::ShiftModifier))); break;
    case Drag::Amplitude: {
        const QRect plot = Plot();
        const double share = double(plot.bottom() - at.y()) / std::max(1, plot.height() - 1);
        emit amplitudeDragged(std::clamp(int32_t(std::lround(AxisPercent(axis_, share))), 1, 100));
        break;
    }
    case Drag::None: break;
    }
}

void LevelView::mouseMoveEvent(QMouseEvent* event) {
    if (overview_ == nullptr || overview_->Empty()) return;
    const QPoint at = event->position().toPoint();
    if (drag_ != Drag::None) DragTo(at, event->modifiers());
    else if (at.y() > Plot().bottom()) setCursor(Qt::OpenHandCursor);
    else if (BoundaryNear(at.x()) != 0) setCursor(Qt::SplitHCursor);
    else if (std::abs(at.y() - ThresholdY()) <= kGrip) setCursor(Qt::SplitVCursor);
    else unsetCursor();
    const int x = at.x() - Plot().left();
    emit pointed(
        QString("%1  %2 %").arg(QString::fromStdString(engine::FormatTime(MsAt(at.x())))).arg(PercentAt(x), 0, 'f', 1));
}

void LevelView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Drag ended = std::exchange(drag_, Drag::None);
    unsetCursor();
    if (ended == Drag::Boundary) emit boundaryDropped(boundary_);
}

void LevelView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (overview_ == nullptr || overview_->Empty() || event->button() != Qt::LeftButton) return;
    if (at.y() > Plot().bottom() || BoundaryNear(at.x()) != 0) return;
    emit splitWanted(MsAt(at.x()));
}

void LevelView::wheelEvent(QWheelEvent* event) {
    if (overview_ == nullptr || overview_->Empty()) return;
    const QPoint delta = event->angleDelta();
    const double steps = (delta.y() != 0 ? delta.y() : delta.x()) / 120.0;
    if (event->modifiers() & Qt::ControlModifier) {
        ZoomAround(std::pow(1.25, steps), int(event->position().x()));
    } else {
        ShowSpan(fromMs_ - steps * spanMs_ / 10, spanMs_);
    }
    event->accept();
}

bool LevelView::KeyOnBoundary(const QKeyEvent& event) {
    const int direction = event.key() == Qt::Key_Left ? -1 : event.key() == Qt::Key_Right ? 1 : 0;
    if (direction == 0 || tracks_.size() < 2) return false;
    if (event.modifiers() & Qt::ShiftModifier) {
        const int32_t step = (event.modifiers() & Qt::ControlModifier) ? 1 : 10;
        if (boundary_ != 0) emit boundaryNudged(boundary_, direction * step);
        return true;
    }
    std::size_t next = boundary_;
    if (next == 0) {
        // From nothing, the first boundary past the middle of the view in the key's direction.
        const double middle = fromMs_ + spanMs_ / 2;
        next = direction > 0 ? tracks_.size() - 1 : 1;
        for (std::size_t b = 1; b < tracks_.size(); ++b) {
            if (tracks_[b].StartMs >= middle) {
                next = direction > 0 ? b : std::max<std::size_t>(1, b - 1);
                break;
            }
        }
    } else {
        next = std::clamp<std::size_t>(direction > 0 ? next + 1 : next - 1, 1, tracks_.size() - 1);
    }
    SelectBoundary(next);
    const double x = XOf(tracks_[next].StartMs);
    if (x < Plot().left() || x > Plot().right()) ShowSpan(tracks_[next].StartMs - spanMs_ / 2, spanMs_);
    return true;
}

void LevelView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && drag_ == Drag::Boundary) {
        drag_ = Drag::None;
        unsetCursor();
        emit boundaryDragCancelled(boundary_);
    } else if (event->key() == Qt::Key_Home) {
        ShowWhole();
    } else if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) {
        ZoomAround(2, Plot().center().x());
    } else if (event->key() == Qt::Key_Minus) {
        ZoomAround(0.5, Plot().center().x());
    } else if (event->key() == Qt::Key_S && event->modifiers() == Qt::NoModifier) {
        emit splitAtPlayWanted();
    } else if (!KeyOnBoundary(*event)) {
        QWidget::keyPressEvent(event);
    }
}

void LevelView::focusOutEvent(QFocusEvent* event) {
    // A drag the mouse can no longer finish (another window took over) is put back.
    if (drag_ == Drag::Boundary) emit boundaryDragCancelled(boundary_);
    if (drag_ != Drag::None) unsetCursor();
    drag_ = Drag::None;
    QWidget::focusOutEvent(event);
}

void LevelView::contextMenuEvent(QContextMenuEvent* event) {
    if (overview_ == nullptr || overview_->Empty() || tracks_.empty()) return;
    emit menuWanted(MsAt(event->pos().x()), BoundaryNear(event->pos().x()), event->globalPos());
}

}  // namespace quillon::app
