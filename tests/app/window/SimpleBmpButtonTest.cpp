// The bitmap button: which picture shows in which state, and when clicks are
// reported (a "disabled" button still reports them).
#include <QAccessible>
#include <QSignalSpy>
#include <QtTest>

#include "app/window/SimpleBmpButton.h"

using quillon::app::TSimpleBmpButton;

namespace {

QPixmap Filled(Qt::GlobalColor colour) {
    QPixmap p(20, 20);
    p.fill(colour);
    return p;
}

}  // namespace

class SimpleBmpButtonTest : public QObject {
    Q_OBJECT
    TSimpleBmpButton* button_ = nullptr;
    QSignalSpy* clicks_ = nullptr;

    enum class Shown { Up, Down, Disabled };
    Shown Picture() const {
        const QImage now = button_->CurrentImage().toImage();
        if (now == Filled(Qt::green).toImage()) return Shown::Up;
        if (now == Filled(Qt::blue).toImage()) return Shown::Down;
        return Shown::Disabled;
    }

private slots:
    void init() {
        button_ = new TSimpleBmpButton;
        button_->SetUpImage(Filled(Qt::green));
        button_->SetDownImage(Filled(Qt::blue));
        button_->SetDisImage(Filled(Qt::gray));
        button_->show();
        clicks_ = new QSignalSpy(button_, &TSimpleBmpButton::clicked);
    }
    void cleanup() {
        delete clicks_;
        delete button_;
    }

    void startsDisabledAtTwentyPixels() {
        QCOMPARE(button_->size(), QSize(20, 20));
        QVERIFY(!button_->Enabled());
        QVERIFY(!button_->PauseButton());
        QVERIFY(!button_->Paused());
        QCOMPARE(Picture(), Shown::Disabled);
    }

    void disabledButtonStillClicksAndKeepsItsPicture() {
        QTest::mousePress(button_, Qt::LeftButton);
        QCOMPARE(Picture(), Shown::Disabled);
        QTest::mouseRelease(button_, Qt::LeftButton);
        QCOMPARE(Picture(), Shown::Disabled);
        QCOMPARE(clicks_->count(), 1);
    }

    void enabledButtonShowsDownWhilePressed() {
        button_->SetEnabled(true);
        QCOMPARE(Picture(), Shown::Up);
        QTest::mousePress(button_, Qt::LeftButton);
        QCOMPARE(Picture(), Shown::Down);
        QCOMPARE(clicks_->count(), 0);
        QTest::mouseRelease(button_, Qt::LeftButton);
        QCOMPARE(Picture(), Shown::Up);
        QCOMPARE(clicks_->count(), 1);
    }

    void releaseOffTheButtonStillClicks() {
        button_->SetEnabled(true);
        QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(200, 200));
        QCOMPARE(clicks_->count(), 1);
    }

    void releaseWithoutPressIsIgnored() {
        QTest::mouseRelease(button_, Qt::LeftButton);
        QTest::mousePress(button_, Qt::RightButton);
        QTest::mouseRelease(button_, Qt::RightButton);
        QCOMPARE(clicks_->count(), 0);
    }

    void doubleClickClicksTwice() {
        button_->SetEnabled(true);
        // What a real double click delivers: press, release, double-click, release.
        QTest::mouseClick(button_, Qt::LeftButton);
        const QPointF at(5, 5);
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, button_->mapToGlobal(at), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button_, &doubleClick);
        QCOMPARE(Picture(), Shown::Down);
        QTest::mouseRelease(button_, Qt::LeftButton);
        QCOMPARE(clicks_->count(), 2);
        QCOMPARE(Picture(), Shown::Up);
    }

    void onClickCalledWithTheSignal() {
        int calls = 0;
        button_->OnClick = [&calls] { ++calls; };
        QTest::mouseClick(button_, Qt::LeftButton);
        QCOMPARE(calls, 1);
    }

    void latchingButtonTogglesAndStaysDown() {
        button_->SetEnabled(true);
        button_->SetPauseButton(true);
        QTest::mouseClick(button_, Qt::LeftButton);
        QVERIFY(button_->Paused());
        QCOMPARE(Picture(), Shown::Down);
        QTest::mouseClick(button_, Qt::LeftButton);
        QVERIFY(!button_->Paused());
        QCOMPARE(Picture(), Shown::Up);
        QCOMPARE(clicks_->count(), 2);
    }

    void pausedNeedsALatchingButton() {
        button_->SetEnabled(true);
        button_->SetPaused(true);
        QVERIFY(!button_->Paused());
        QVERIFY(!button_->Pressed());
        QCOMPARE(Picture(), Shown::Up);
    }

    void turningLatchOffReleasesTheButton() {
        button_->SetEnabled(true);
        button_->SetPauseButton(true);
        button_->SetPaused(true);
        QCOMPARE(Picture(), Shown::Down);
        button_->SetPauseButton(false);
        QVERIFY(!button_->Paused());
        QVERIFY(!button_->Pressed());
        QCOMPARE(Picture(), Shown::Up);
    }

    void screenReadersHearWhatThePictureShows() {
        button_->setAccessibleName("Play");
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button_);
        QVERIFY(accessible != nullptr);
        QCOMPARE(accessible->role(), QAccessible::Button);
        QCOMPARE(accessible->text(QAccessible::Name), QString("Play"));
        QVERIFY(accessible->state().disabled);
        button_->SetEnabled(true);
        QVERIFY(!accessible->state().disabled);
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicks_->count(), 1);
    }

    void theKeyboardClicksWithSpaceAndEnter() {
        button_->SetEnabled(true);
        button_->setFocus();
        QTest::keyPress(button_, Qt::Key_Space);
        QCOMPARE(Picture(), Shown::Down);
        QCOMPARE(clicks_->count(), 0);
        QTest::keyRelease(button_, Qt::Key_Space);
        QCOMPARE(clicks_->count(), 1);
        QTest::keyClick(button_, Qt::Key_Return);
        QCOMPARE(clicks_->count(), 2);
        QCOMPARE(button_->focusPolicy(), Qt::TabFocus);  // a mouse click leaves the focus where it is
    }
};

QTEST_MAIN(SimpleBmpButtonTest)
#include "SimpleBmpButtonTest.moc"
