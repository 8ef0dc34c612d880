// The buttons' pictures are sharp at the screen's scale: drawn at twice the
// size where a point is more than one pixel (QT_SCALE_FACTOR 1.5 or 2), at
// their own size otherwise. Run once at each scale.
#include <QtTest>

#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "support/window/FormFixture.h"

using namespace quillon;

class ArtworkTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT

private slots:
    void init() {
        Prepare();
        QVERIFY(ShowForm());
    }
    void cleanup() { DestroyForm(); }

    void picturesMatchTheScreensScale() {
        const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        const qreal expected = scale > 1 ? 2 : 1;
        for (app::TSimpleBmpButton* button : {form_->BrowseButton, form_->SaveButton, form_->AbortButton}) {
            for (bool enabled : {true, false}) {
                button->SetEnabled(enabled);
                const QPixmap& picture = button->CurrentImage();
                QVERIFY2(!picture.isNull(), "the artwork beside the test");
                QCOMPARE(picture.devicePixelRatio(), expected);
                QCOMPARE(picture.deviceIndependentSize(), QSizeF(88, 28));
            }
        }
    }
};

QTEST_MAIN(ArtworkTest)
#include "ArtworkTest.moc"
