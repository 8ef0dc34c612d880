#pragma once
// A self-painting push button that shows one of three pictures. Its Enabled
// flag is a drawing state only: a "disabled" button still takes the mouse and
// still reports clicks, so every click handler tests Enabled() first.
// Clicks are reported on release of the left button after a press on the
// button, wherever the pointer is then; the keyboard reaches the button with
// Tab, only while it is enabled, and clicks it with Space or Enter. A latching button (PauseButton) toggles
// Paused on each click and stays drawn pressed while latched.

#include <QPixmap>
#include <QWidget>

#include <functional>

namespace quillon::app {

class TSimpleBmpButton : public QWidget {
    Q_OBJECT
public:
    explicit TSimpleBmpButton(QWidget* parent = nullptr);

    void SetUpImage(const QPixmap& picture);
    void SetDownImage(const QPixmap& picture);
    void SetDisImage(const QPixmap& picture);
    void SetEnabled(bool enabled);
    void SetPauseButton(bool latching);
    void SetPaused(bool paused);

    [[nodiscard]] bool Enabled() const { return enabled_; }
    [[nodiscard]] bool PauseButton() const { return pauseButton_; }
    [[nodiscard]] bool Paused() const { return paused_; }
    [[nodiscard]] bool Pressed() const { return pressed_; }
    // The picture Paint draws in the current state.
    [[nodiscard]] const QPixmap& CurrentImage() const;

    // What a left click does, also for the keyboard (Space, Enter) and screen readers.
    void Click();

    std::function<void()> OnClick;

signals:
    // Emitted with every OnClick call.
    void clicked();
    // Emitted when Enabled() changes, so a menu item can follow the button.
    void enabledChanged(bool enabled);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Press();

    QPixmap upImage_, downImage_, disImage_;
    bool enabled_ = false;
    bool pauseButton_ = false;
    bool paused_ = false;
    bool pressed_ = false;
    bool captured_ = false;
};

}  // namespace quillon::app
