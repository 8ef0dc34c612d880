// Split and merge through the main window. The split dialog is filled in by
// the test.
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "editing/window/EditHandlers.h"
#include "editing/window/SplitUnit.h"
#include "support/window/FourTracksFixture.h"

using namespace quillon;
using test::Message;

class SplitMergeTest : public QObject, protected test::FourTracksFixture {
    Q_OBJECT

    // The split dialog answers with this text in its field, confirmed by OK.
    void AnswerSplit(const QString& text, int result = QDialog::Accepted) {
        dialogs_->onExec = [text, result](QDialog& dialog) {
            auto& split = static_cast<app::TSplitForm&>(dialog);
            if (split.splitpointEdit->text() != "00:00:000") return -1;  // not reset: fail loudly
            split.splitpointEdit->setText(text);
            return result;
        };
    }

private slots:
    void init() { QVERIFY(ShowFourTracks()); }
    void cleanup() { DestroyForm(); }

    void splitAtATypedPoint() {
        Check({1});
        AnswerSplit("00:15:000");
        QTest::mouseClick(form_->SplitButton, Qt::LeftButton);
        QCOMPARE(Names(), (QStringList{"W", "X.A", "X.B", "Y", "Z"}));
        QCOMPARE(form_->TrackListView->RowCount(), 5);
        QCOMPARE(form_->TrackListView->Row(2)->text(1), QString("00:15:000"));
        QCOMPARE(form_->TrackListView->Row(2)->text(3), QString("00:05:000"));
        QVERIFY(!AnyRowChecked());
        QVERIFY(!form_->SplitButton->Enabled());
        QVERIFY(form_->StatusText(0).isEmpty());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void splitRefusals_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("box");
        const QString outside = "error: " + Message(engine::MsgSpecifyTimeBetween) + "00:10:000 To 00:20:000";
        QTest::newRow("at the start") << "00:10:000" << int(QDialog::Accepted) << outside;
        QTest::newRow("at the stop") << "00:20:000" << int(QDialog::Accepted) << outside;
        QTest::newRow("past the stop") << "01:00:000" << int(QDialog::Accepted) << outside;
        QTest::newRow("zero") << "00:00:000" << int(QDialog::Accepted) << QString();
        QTest::newRow("incomplete") << "00:1" << int(QDialog::Accepted) << QString();
        QTest::newRow("cancel") << "00:15:000" << int(QDialog::Rejected) << QString();
    }

    void splitRefusals() {
        QFETCH(QString, typed);
        QFETCH(int, result);
        QFETCH(QString, box);
        Check({1});
        AnswerSplit(typed, result);
        form_->Edits().SplitButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y", "Z"}));
        QCOMPARE(dialogs_->boxes, box.isEmpty() ? QStringList{} : QStringList{box});
        QVERIFY(form_->StatusText(0).isEmpty());
        QVERIFY(!form_->UiBusy.load());
    }

    void splitTakesTheFirstRowCheckedOrSelected() {
        Check({1, 3});
        Select(0);
        AnswerSplit("00:05:000");
        form_->Edits().SplitButtonClick();
        QCOMPARE(Names(), (QStringList{"W.A", "W.B", "X", "Y", "Z"}));
    }

    void splitNeedsACheckedRowAndAnIdleWindow() {
        Select(1);
        form_->SplitButton->SetEnabled(true);  // drawn on, yet nothing is checked
        form_->Edits().SplitButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgCheckTrackToSplit)});
        QVERIFY(!form_->UiBusy.load());

        Check({1});
        form_->UiBusy = true;
        AnswerSplit("00:15:000");
        form_->Edits().SplitButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y", "Z"}));
    }

    void splitDialogField() {
        app::TSplitForm& dialog = *form_->Edits().SplitForm;
        QCOMPARE(dialog.windowTitle(), QString("Enter Splitting Point "));
        QCOMPARE(dialog.size(), QSize(334, 86));
        dialog.show();
        QCOMPARE(dialog.splitpointEdit->text(), QString("00:00:000"));
        QCOMPARE(dialog.SplitPointDigits(), QString("0000000"));
        dialog.splitpointEdit->setText("00:99:000");
        QCOMPARE(dialog.SplitPointDigits(), QString("0099000"));

        // OK with an incomplete entry keeps the dialog open; Enter ends it with no point.
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.splitpointEdit->setText("01:2");
        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
        QCOMPARE(finished.count(), 0);
        QVERIFY(dialog.isVisible());
        QTest::keyClick(dialog.splitpointEdit, Qt::Key_Return);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.SplitPointDigits().isEmpty());

        dialog.show();
        QCOMPARE(dialog.splitpointEdit->text(), QString("00:00:000"));  // reset at every showing
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        bool helped = false;
        dialog.OnHelp = [&helped] { helped = true; };
        QTest::mouseClick(dialog.HelpButton, Qt::LeftButton);
        QVERIFY(helped);
    }

    void splitHelpAsksForItsTopic() {
        // The test binary has no help pages beside it, so the request shows in the error.
        QTest::mouseClick(form_->Edits().SplitForm->HelpButton, Qt::LeftButton);
        QCOMPARE(dialogs_->boxes.size(), 1);
        QVERIFY(dialogs_->boxes.front().endsWith("/split.html"));
    }

    void mergeJoinsTheFirstCheckedRowWithTheNext() {
        Check({0, 2, 3});  // the pair 2-3 allows it; rows 0 and 1 are merged
        QVERIFY(form_->MergeButton->Enabled());
        QTest::mouseClick(form_->MergeButton, Qt::LeftButton);
        QCOMPARE(Names(), (QStringList{"W", "Y", "Z"}));
        QCOMPARE(form_->TrackListView->Row(0)->text(2), QString("00:20:000"));
        QCOMPARE(form_->TrackListView->Row(0)->text(3), QString("00:20:000"));
        QCOMPARE(form_->StatusText(0), QString("Merge process completed!"));
        QVERIFY(!form_->MergeButton->Enabled());
        QVERIFY(!AnyRowChecked());
        QVERIFY(!form_->UiBusy.load());
    }

    void mergeAbsorbsTheGapOfTheLastTwoRows() {
        Check({2, 3});
        form_->Edits().MergeButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y"}));
        QCOMPARE(form_->TrackList[2].Start, std::string("00:20:000"));
        QCOMPARE(form_->TrackList[2].Duration, std::string("02:10:000"));
    }

    void mergeWithoutNeighboursDoesNothing() {
        Check({0, 2});
        form_->MergeButton->SetEnabled(true);
        form_->Edits().MergeButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y", "Z"}));
        QVERIFY(form_->StatusText(0).isEmpty());
        QVERIFY(!form_->UiBusy.load());
    }
};

QTEST_MAIN(SplitMergeTest)
#include "SplitMergeTest.moc"
