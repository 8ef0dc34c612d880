// The overview window over the main window: what it shows after an analysis,
// its preview of other thresholds, Find, Analyze, a click in a track, and the
// busy rules. Behaviour only, not pixels.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "analysis/TrackTimes.h"
#include "analysis/window/AnalysisHandlers.h"
#include "analysis/window/LevelView.h"
#include "analysis/window/OverviewForm.h"
#include "analysis/window/SampleReader.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "editing/window/EditHandlers.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"

using namespace quillon;

class OverviewTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT
    app::TOverviewForm* overview_ = nullptr;

    // Three pieces of 20 s at 1000 Hz: gaps of 4 s and 2 s (two tracks at
    // the default 3 s, three at 1 s), analysed, and the overview open.
    void Open() {
        test::Pcm pcm(16, 1);
        pcm.Loud(20000).Silent(4000).Loud(20000).Silent(2000).Loud(20000);
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
        QCOMPARE(overview_->View->TotalMs(), 66000u);
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
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(int(view.XOf(35000)), view.height() / 2));
        QVERIFY(form_->TrackListView->Row(1)->isSelected());
        QVERIFY(!form_->TrackListView->Row(0)->isSelected());
        form_->SaveRunning = true;  // the list is not changed while a save runs
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(int(view.XOf(1000)), view.height() / 2));
        QVERIFY(form_->TrackListView->Row(1)->isSelected());
        form_->SaveRunning = false;
    }

    // A boundary dragged with the mouse moves the cut live in the list, Esc
    // puts it back, a drop is one step that Undo takes back and Redo redoes.
    void aBoundaryIsDraggedPutBackDroppedAndUndone() {
        app::LevelView& view = *overview_->View;
        const int y = view.height() / 2;
        const QPoint from(int(std::lround(view.XOf(22000))), y);
        QCOMPARE(form_->TrackList[1].Start, std::string("00:22:000"));
        const auto drag = [&](int toMs, Qt::KeyboardModifiers keys) {
            const double boundary = engine::TimeTextToMs(form_->TrackList[1].Start);
            QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(int(std::lround(view.XOf(boundary))), y));
            QMouseEvent move(QEvent::MouseMove, QPointF(view.XOf(toMs), y),
                             view.mapToGlobal(QPointF(view.XOf(toMs), y)), Qt::NoButton, Qt::LeftButton, keys);
            QCoreApplication::sendEvent(&view, &move);
        };
        drag(30500, Qt::ShiftModifier);  // Shift: no snap
        QCOMPARE(form_->TrackListView->Row(1)->text(1).left(5), QString("00:30"));
        QCOMPARE(form_->TrackList[0].Stop, form_->TrackList[1].Start);
        QTest::keyClick(&view, Qt::Key_Escape);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, from);
        QCOMPARE(form_->TrackList[1].Start, std::string("00:22:000"));
        QVERIFY(!form_->UndoMenuItem->isEnabled());

        drag(30500, Qt::ShiftModifier);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::ShiftModifier, QPoint(int(view.XOf(30500)), y));
        const std::string moved = form_->TrackList[1].Start;
        QVERIFY(moved.starts_with("00:30"));
        QCOMPARE(form_->UndoMenuItem->text(), QString("&Undo Move Boundary"));
        overview_->activateWindow();
        QTRY_VERIFY(overview_->isActiveWindow());
        QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);  // the overview takes the keys too
        QCOMPARE(form_->TrackList[1].Start, std::string("00:22:000"));
        QCOMPARE(form_->TrackListView->Row(1)->text(1), QString("00:22:000"));
        form_->RedoMenuItem->trigger();
        QCOMPARE(form_->TrackList[1].Start, moved);

        drag(22600, {});  // near the middle of the quiet stretch: snaps to it
        QTest::mouseRelease(&view, Qt::LeftButton, {}, from);
        QCOMPARE(form_->TrackList[1].Start, std::string("00:22:000"));
    }

    // Zoomed below the columns, the view reads the samples it shows, and only
    // those; a recording replaced on disk is read no more.
    void aDeepZoomReadsOnlyTheVisibleSamples() {
        app::LevelView& view = *overview_->View;
        const QPoint at(int(view.XOf(21000)), view.height() / 2);
        for (int i = 0; i < 40 && !view.WantedSamples(); ++i) {
            QWheelEvent wheel(at, view.mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&view, &wheel);
        }
        QVERIFY(view.WantedSamples());
        QTRY_VERIFY(view.ShowsSamples());
        const auto read = overview_->Samples->LastRead();
        QVERIFY(read);
        QCOMPARE(read->FirstFrame, uint64_t(std::floor(view.FromMs())));  // 1000 Hz: a frame is a millisecond
        QVERIFY(read->Frames <= uint64_t(std::ceil(view.SpanMs())) + 1);
        QVERIFY(view.FromMs() < 21000 && view.FromMs() + view.SpanMs() > 21000);

        const QString path = QString::fromStdString(form_->CurrentWaveFile);
        QVERIFY(QFile::rename(path, path + ".old") && QFile::copy(path + ".old", path));
        view.ShowSpan(view.FromMs() + view.SpanMs() * 3, view.SpanMs());
        QTRY_VERIFY(!overview_->Samples->Reading());
        QVERIFY(!view.ShowsSamples());
        QCOMPARE(overview_->Samples->LastRead()->FirstFrame, read->FirstFrame);
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(view.SpanMs(), double(view.TotalMs()));
    }

    // A double-click splits there with the split's names; the menu says what Undo takes back.
    void aDoubleClickSplitsAndUndoNamesIt() {
        app::LevelView& view = *overview_->View;
        QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(int(view.XOf(10000)), view.height() / 2));
        QCOMPARE(form_->TrackList.size(), std::size_t(3));
        QVERIFY(QString::fromStdString(form_->TrackList[0].Name).endsWith(".A"));
        QCOMPARE(form_->UndoMenuItem->text(), QString("&Undo Split"));
        form_->UndoMenuItem->trigger();
        QCOMPARE(form_->TrackList.size(), std::size_t(2));
        QCOMPARE(form_->TrackListView->RowCount(), 2);
        QCOMPARE(form_->RedoMenuItem->text(), QString("&Redo Split"));
    }

    void findFillsTheFieldsAndAnalyzeStoresAndCutsThem() {
        overview_->TracksEdit->setValue(3);
        QTest::mouseClick(overview_->FindButton, Qt::LeftButton);
        QVERIFY(form_->UiBusy.load());
        // One job at a time: the main window's Analyze waits for the Find.
        QVERIFY(!form_->AnalyzeButton->Enabled());
        form_->Analysis().analyzeButtonClick();
        QVERIFY(!form_->Analysis().AnalysisJob);
        QTRY_VERIFY(!overview_->Finding());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QCOMPARE(overview_->AmplitudeEdit->value(), 1);  // the gaps are digital silence
        QCOMPARE(overview_->DurationEdit->value(), 1);
        QCOMPARE(overview_->StatusLabel->text(), QString("3 tracks at amplitude 1 % and duration 1 s."));
        QVERIFY(
            overview_->CountLabel->text().startsWith("3 tracks at 1 % and 1 s (a preview; Analyze cuts them). "
                                                     "1 cut added (dashed), 0 of the list's dropped"));

        QTest::mouseClick(overview_->AnalyzeButton, Qt::LeftButton);
        QTRY_VERIFY(!form_->UiBusy.load() && !form_->Analysis().AnalysisJob);
        QCOMPARE(form_->TrackList.size(), std::size_t(3));
        QVERIFY(test::Slurp(env_->SettingsFile()).contains("SilenceDuration:=1"));
        QVERIFY(overview_->CountLabel->text().startsWith("3 tracks, analysed at 1 % and 1 s"));
        // A new analysis replaces the Find's answer with what Analyze kept.
        QCOMPARE(overview_->StatusLabel->text(),
                 QString("Kept 1 % / 1 s as the settings for every later recording and for the command line."));
        QCOMPARE(overview_->AnalyzeButton->toolTip(),
                 QString("Analyze and keep 1 % / 1 s as the settings for every later recording and for the command "
                         "line"));
    }

    void findSaysWhenNoThresholdsGiveTheCountAndOffersTheClosest() {
        overview_->TracksEdit->setValue(4);
        QTest::mouseClick(overview_->FindButton, Qt::LeftButton);
        QTRY_VERIFY(!overview_->Finding());
        QCOMPARE(overview_->StatusLabel->text(),
                 QString("No thresholds separate 4 tracks; the closest is 3 tracks at 1 % and 1 s."));
        QCOMPARE(overview_->AmplitudeEdit->value(), 10);  // nothing claimed, nothing filled
        QVERIFY(overview_->UseClosestButton->isVisible());
        QTest::mouseClick(overview_->UseClosestButton, Qt::LeftButton);
        QCOMPARE(overview_->AmplitudeEdit->value(), 1);
        QCOMPARE(overview_->DurationEdit->value(), 1);
        QVERIFY(overview_->CountLabel->text().startsWith("3 tracks at 1 % and 1 s"));
        QVERIFY(!overview_->UseClosestButton->isVisible());

        overview_->AmplitudeEdit->setValue(20);
        overview_->KeepAmplitudeCheck->setChecked(true);
        overview_->TracksEdit->setValue(3);
        QTest::mouseClick(overview_->FindButton, Qt::LeftButton);
        QTRY_VERIFY(!overview_->Finding());
        QCOMPARE(overview_->AmplitudeEdit->value(), 20);
        QCOMPARE(overview_->StatusLabel->text(), QString("3 tracks at amplitude 20 % and duration 1 s."));
    }

    void theCountFollowsAMergeAndTheHoverTextANewAnalysis() {
        emit overview_->View->pointed("00:10:000  100.0 %");
        QVERIFY(!overview_->PointerLabel->text().isEmpty());
        form_->TrackListView->SetChecked(0, true);
        form_->TrackListView->SetChecked(1, true);
        form_->Edits().MergeButtonClick();
        QCOMPARE(form_->TrackList.size(), std::size_t(1));
        QCOMPARE(overview_->CountLabel->text(), QString("1 track in the list; the analysis at 10 % and 3 s gave 2."));
        QCOMPARE(overview_->TracksEdit->value(), 1);
        AnalyzeAndWait(form_->CurrentWaveFile);
        QVERIFY(overview_->PointerLabel->text().isEmpty());
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
                 QString("No quiet stretch longer than 5 s below 10 %. The longest is 4 s at 00:20:000; there is "
                         "none up to 100 %."));
    }

    void aLongSingleTrackBringsTheOverviewForwardOncePerFile() {
        // A tone without a gap, small at 8000 Hz 8-bit mono.
        const auto tone = [this](const char* name, uint32_t seconds) {
            test::Pcm pcm(8, 1);
            pcm.Loud(8000 * seconds);
            return files_->Write(name, test::PcmWave(test::Format{1, 1, 8000, 8}, pcm.bytes()));
        };
        const std::string shortTone = tone("Short.wav", 150), longTone = tone("Long.wav", 240);
        overview_->hide();
        AnalyzeAndWait(shortTone);
        QVERIFY2(!overview_->isVisible(), "a short recording may be one piece");
        AnalyzeAndWait(longTone);
        QCOMPARE(form_->TrackList.size(), std::size_t(1));
        QVERIFY(overview_->isVisible());
        QVERIFY(!overview_->ReportLabel->text().isEmpty());
        QCOMPARE(overview_->focusWidget(), overview_->TracksEdit);
        overview_->hide();
        AnalyzeAndWait(longTone);
        QVERIFY2(!overview_->isVisible(), "once for each file");
        QVERIFY(overview_->ShowOnOneTrackCheck->isChecked());
        overview_->ShowOnOneTrackCheck->click();
        QVERIFY(test::Slurp(env_->SettingsFile()).contains("ShowWhenOneTrack:=0"));
        AnalyzeAndWait(tone("Other.wav", 240));
        QVERIFY2(!overview_->isVisible(), "turned off");
    }

    void aPreviewTellsTheCutsItAddsAndTheBoundariesItDrops_data() {
        QTest::addColumn<std::vector<uint32_t>>("boundaries");
        QTest::addColumn<std::vector<uint32_t>>("added");
        QTest::addColumn<std::vector<uint32_t>>("dropped");
        // Two stretches, 20-24 s and 44-46 s, cut at 22 and 45 s.
        QTest::newRow("same") << std::vector<uint32_t>{22000, 45000} << std::vector<uint32_t>{}
                              << std::vector<uint32_t>{};
        QTest::newRow("moved within its gap")
            << std::vector<uint32_t>{21000, 45000} << std::vector<uint32_t>{} << std::vector<uint32_t>{};
        QTest::newRow("one new") << std::vector<uint32_t>{22000} << std::vector<uint32_t>{45000}
                                 << std::vector<uint32_t>{};
        QTest::newRow("one gone, one new")
            << std::vector<uint32_t>{10000, 22000} << std::vector<uint32_t>{45000} << std::vector<uint32_t>{10000};
    }
    void aPreviewTellsTheCutsItAddsAndTheBoundariesItDrops() {
        QFETCH(std::vector<uint32_t>, boundaries);
        QFETCH(std::vector<uint32_t>, added);
        QFETCH(std::vector<uint32_t>, dropped);
        const app::CutChanges c = app::CompareCuts({{20000, 24000}, {44000, 46000}}, {22000, 45000}, boundaries);
        QCOMPARE(c.Added, added);
        QCOMPARE(c.Dropped, dropped);
    }

    void anEmptyOverviewSaysToAnalyseFirst() {
        DestroyForm();
        QVERIFY(ShowForm());
        form_->OverviewMenuItem->trigger();
        QCOMPARE(form_->Analysis().OverviewForm->CountLabel->text(), QString(app::LevelView::kNothingYet));
    }
};

QTEST_MAIN(OverviewTest)
#include "OverviewTest.moc"
