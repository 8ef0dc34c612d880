#include "app/window/SimpleBmpButton.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace quillon::app {
namespace {

// What a screen reader is told of a bitmap button: a push button named by its
// label, disabled exactly when it draws its "disabled" picture (it still takes
// clicks then, as every click handler checks), and pressable.
class BmpButtonAccessible final : public QAccessibleWidget {
public:
    explicit BmpButtonAccessible(TSimpleBmpButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.disabled = !Button().Enabled();
        s.pressed = Button().Pressed();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) Button().Click();
    }

private:
    TSimpleBmpButton& Button() const { return *static_cast<TSimpleBmpButton*>(widget()); }
};

QAccessibleInterface* BmpButtonFactory(const QString& className, QObject* object) {
    if (className != TSimpleBmpButton::staticMetaObject.className() || !object->isWidgetType()) return nullptr;
    return new BmpButtonAccessible(static_cast<TSimpleBmpButton*>(object));
}

}  // namespace

TSimpleBmpButton::TSimpleBmpButton(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = (QAccessible::installFactory(BmpButtonFactory), true);
    (void)factoryInstalled;
    resize(20, 20);
    setCursor(Qt::PointingHandCursor);
    // Starts disabled: Tab passes it by until SetEnabled turns it on.
    setFocusPolicy(Qt::NoFocus);
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
    // Reached with Tab for the keyboard only when a press would do something;
    // a mouse click leaves the focus where it is.
    setFocusPolicy(enabled ? Qt::TabFocus : Qt::NoFocus);
    update();
    QAccessible::State changed;
    changed.disabled = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    emit enabledChanged(enabled);
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
    } else {
        // Without artwork (a broken installation) the button still says what it is.
        painter.setPen(enabled_ ? palette().color(QPalette::ButtonText) : palette().color(QPalette::Mid));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.drawText(rect(), Qt::AlignCenter, accessibleName());
    }
    if (hasFocus()) {
        // The keyboard's place, drawn over the picture as the style draws it on buttons.
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
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
    captured_ = false;
    Click();
}

void TSimpleBmpButton::Click() {
    paused_ = pauseButton_ ? !paused_ : false;
    pressed_ = paused_;
    update();
    if (OnClick) OnClick();
    emit clicked();
}

void TSimpleBmpButton::keyPressEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    switch (event->key()) {
    case Qt::Key_Space: Press(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: Click(); break;
    default: QWidget::keyPressEvent(event);
    }
}

void TSimpleBmpButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space || event->isAutoRepeat() || !captured_) return QWidget::keyReleaseEvent(event);
    captured_ = false;
    Click();
}

void TSimpleBmpButton::focusOutEvent(QFocusEvent* event) {
    // A key press that loses its focus is no click, as a press whose release never comes.
    if (captured_ && !pauseButton_) pressed_ = false;
    captured_ = false;
    update();
    QWidget::focusOutEvent(event);
}

}  // namespace quillon::app
