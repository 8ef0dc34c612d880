// The overview window over the main window: what it shows after an analysis,
// its preview of other thresholds, Find, Analyze, a click in a track, and the
// busy rules. Behaviour only, not pixels.
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "analysis/window/AnalysisHandlers.h"
#include "analysis/window/LevelView.h"
#include "analysis/window/OverviewForm.h"
#include "app/window/MainForm.h"
#include "app/window/TrackListView.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"

using namespace quillon;

class OverviewTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT
    app::TOverviewForm* overview_ = nullptr;

    // Three pieces at 1000 Hz: gaps of 4 s and 1.5 s (two tracks at the
    // default 3 s, three at 1 s), analysed, and the overview open.
    void Open() {
        test::Pcm pcm(16, 1);
        pcm.Loud(5000).Silent(4000).Loud(5000).Silent(1500).Loud(5000);
        AnalyzeAndWait(files_->Write("Side.wav", test::PcmWave(test::Format{1, 1, 1000, 16}, pcm.bytes())));
        QCOMPARE(form_->TrackList.size(), std::size_t(2));
        form_->OverviewMenuItem->trigger();
        overview_ = form_->Analysis().OverviewForm;
        QVERIFY(overview_ != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(overview_));
    }

private slots:
    void init() {
        Prepare();
        QVERIFY(ShowForm());
        Open();
    }
    void cleanup() { DestroyForm(); }

    void showsTheAnalysisAndPreviewsOtherThresholds() {
        QCOMPARE(overview_->View->TotalMs(), 20500u);
        QCOMPARE(overview_->AmplitudeEdit->value(), 10);
        QCOMPARE(overview_->TracksEdit->value(), 2);
        QVERIFY(overview_->CountLabel->text().startsWith("2 tracks, analysed at 10 % and 3 s"));
        overview_->DurationEdit->setValue(1);
        QVERIFY(overview_->CountLabel->text().startsWith("3 tracks at 10 % and 1 s (a preview"));
        overview_->DurationEdit->setValue(5);
        QVERIFY(overview_->CountLabel->text().startsWith("1 track at 10 % and 5 s"));
        QCOMPARE(form_->TrackList.size(), std::size_t(2));  // nothing analysed yet
    }

    void aClickInATrackSelectsItsRow() {
        app::LevelView& view = *overview_->View;
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(int(view.XOf(15000)), view.height() / 2));
        QVERIFY(form_->TrackListView->Row(1)->isSelected());
        QVERIFY(!form_->TrackListView->Row(0)->isSelected());
        form_->SaveRunning = true;  // the list is not changed while a save runs
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(int(view.XOf(1000)), view.height() / 2));
        QVERIFY(form_->TrackListView->Row(1)->isSelected());
        form_->SaveRunning = false;
    }

    void findFillsTheFieldsAndAnalyzeStoresAndCutsThem() {
        overview_->TracksEdit->setValue(3);
        QTest::mouseClick(overview_->FindButton, Qt::LeftButton);
        QVERIFY(form_->UiBusy.load());
        QTRY_VERIFY(!overview_->Finding());
        QVERIFY(!form_->UiBusy.load());
        QCOMPARE(overview_->DurationEdit->value(), 1);
        QVERIFY(overview_->CountLabel->text().startsWith("3 tracks"));

        QTest::mouseClick(overview_->AnalyzeButton, Qt::LeftButton);
        QTRY_VERIFY(!form_->UiBusy.load() && !form_->Analysis().AnalysisJob);
        QCOMPARE(form_->TrackList.size(), std::size_t(3));
        QVERIFY(test::Slurp(env_->SettingsFile()).contains("SilenceDuration:=1"));
        QVERIFY(overview_->CountLabel->text().startsWith("3 tracks, analysed at 10 % and 1 s"));
    }

    void itsCommandsWaitWhileTheWindowIsBusy() {
        QTRY_VERIFY(overview_->AnalyzeButton->isEnabled() && overview_->FindButton->isEnabled());
        form_->Previewing = true;
        QTRY_VERIFY(!overview_->AnalyzeButton->isEnabled() && !overview_->FindButton->isEnabled());
        form_->Previewing = false;
        form_->UiBusy = true;
        overview_->AnalyzeButtonClick();
        overview_->FindButtonClick();
        QVERIFY(!overview_->Finding());
        QVERIFY(!form_->Analysis().AnalysisJob);
        form_->UiBusy = false;
    }

    void aSingleTrackIsExplained() {
        overview_->DurationEdit->setValue(5);
        QTest::mouseClick(overview_->AnalyzeButton, Qt::LeftButton);
        QTRY_VERIFY(!form_->UiBusy.load() && !form_->Analysis().AnalysisJob);
        QCOMPARE(form_->TrackList.size(), std::size_t(1));
        QCOMPARE(overview_->ReportLabel->text(),
                 QString("No quiet stretch longer than 5 s below 10 %. The longest is 4 s at 00:05:000; there is "
                         "none up to 100 %."));
    }
};

QTEST_MAIN(OverviewTest)
#include "OverviewTest.moc"
