#include "app/window/SimpleBmpButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace quillon::app {

TSimpleBmpButton::TSimpleBmpButton(QWidget* parent) : QWidget(parent) {
    resize(20, 20);
    setCursor(Qt::PointingHandCursor);
}

void TSimpleBmpButton::SetUpImage(const QPixmap& picture) {
    upImage_ = picture;
    update();
}

void TSimpleBmpButton::SetDownImage(const QPixmap& picture) {
    downImage_ = picture;
    update();
}

void TSimpleBmpButton::SetDisImage(const QPixmap& picture) {
    disImage_ = picture;
    update();
}

void TSimpleBmpButton::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    update();
}

void TSimpleBmpButton::SetPauseButton(bool latching) {
    if (latching == pauseButton_) return;
    pauseButton_ = latching;
    SetPaused(false);
}

void TSimpleBmpButton::SetPaused(bool paused) {
    const bool effective = pauseButton_ && paused;
    if (effective == paused_) return;
    paused_ = effective;
    pressed_ = effective;
    update();
}

const QPixmap& TSimpleBmpButton::CurrentImage() const {
    if (!enabled_) return disImage_;
    return pressed_ ? downImage_ : upImage_;
}

void TSimpleBmpButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& picture = CurrentImage();
    if (!picture.isNull()) {
        painter.drawPixmap(0, 0, picture);
        return;
    }
    // Without artwork (a broken installation) the button still says what it is.
    painter.setPen(enabled_ ? palette().color(QPalette::ButtonText) : palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter, accessibleName());
}

void TSimpleBmpButton::Press() {
    pressed_ = true;
    // The widget that takes a press receives every move and the release
    // that follow it: Qt's implicit grab is the capture.
    captured_ = true;
    update();
}

void TSimpleBmpButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Press();
}

void TSimpleBmpButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Press();
}

void TSimpleBmpButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !captured_) return;
    paused_ = pauseButton_ ? !paused_ : false;
    pressed_ = paused_;
    captured_ = false;
    update();
    if (OnClick) OnClick();
    emit clicked();
}

}  // namespace quillon::app
