// Split, merge and preview through the main window. The split dialog is
// filled in by the test; the player is a recording stand-in, except in the
// last case, which plays through the real library on SDL's dummy driver.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <fstream>

#include "app/ErrorCodes.h"
#include "app/MainForm.h"
#include "app/SimpleBmpButton.h"
#include "app/TrackListView.h"
#include "editing/SplitUnit.h"
#include "support/FormFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWave.h"
#include "support/WindowTestEnv.h"

using namespace quillon;
using test::Message;
using app::TMainForm;

namespace {

struct FakePlayer {
    struct Play {
        std::string file;
        uint32_t start, stop;
    };
    std::vector<Play> plays;
    int stops = 0;
    uint16_t playResult = 0;
    uint16_t stopResult = 0;
    uint32_t position = 0;

    app::PreviewPlayer Calls() {
        return {[this](const std::string& file, uint32_t start, uint32_t stop) {
                    plays.push_back({file, start, stop});
                    return playResult;
                },
                [this] { return position; },
                [this] {
                    ++stops;
                    return stopResult;
                }};
    }
};

}  // namespace

class EditPreviewTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT
    FakePlayer player_;

    // W 00:00-00:10, X 00:10-00:20, Y 00:20-00:25, Z 02:00-02:30 (after a gap)
    void ListTracks() {
        form_->TrackList = {{"W", "00:00:000", "00:10:000", "00:10:000", 0, 0},
                            {"X", "00:10:000", "00:20:000", "00:10:000", 0, 0},
                            {"Y", "00:20:000", "00:25:000", "00:05:000", 0, 0},
                            {"Z", "02:00:000", "02:30:000", "00:30:000", 0, 0}};
        form_->FillTrackListView();
        form_->CurrentWaveFile = "/records/side.wav";
    }
    void Check(std::initializer_list<int> rows) {
        for (int row : rows) form_->TrackListView->SetChecked(row, true);
    }
    void Select(int row) { form_->TrackListView->Row(row)->setSelected(true); }
    QStringList Names() const {
        QStringList names;
        for (const auto& t : form_->TrackList) names << QString::fromStdString(t.Name);
        return names;
    }
    // The split dialog answers with this text in its field, confirmed by OK.
    void AnswerSplit(const QString& text, int result = QDialog::Accepted) {
        dialogs_->onExec = [text, result](QDialog& dialog) {
            auto& split = static_cast<app::TSplitForm&>(dialog);
            if (split.splitpointEdit->text() != "00:00:000") return -1;  // not reset: fail loudly
            split.splitpointEdit->setText(text);
            return result;
        };
    }
    bool AnyRowChecked() const {
        for (int i = 0; i < form_->TrackListView->RowCount(); ++i) {
            if (form_->TrackListView->IsChecked(i)) return true;
        }
        return false;
    }

private slots:
    void init() {
        Prepare();
        player_ = FakePlayer{};
        QVERIFY(ShowForm());
        form_->Player = player_.Calls();
        ListTracks();
    }
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
        form_->SplitButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y", "Z"}));
        QCOMPARE(dialogs_->boxes, box.isEmpty() ? QStringList{} : QStringList{box});
        QVERIFY(form_->StatusText(0).isEmpty());
        QVERIFY(!form_->UiBusy.load());
    }

    void splitTakesTheFirstRowCheckedOrSelected() {
        Check({1, 3});
        Select(0);
        AnswerSplit("00:05:000");
        form_->SplitButtonClick();
        QCOMPARE(Names(), (QStringList{"W.A", "W.B", "X", "Y", "Z"}));
    }

    void splitNeedsACheckedRowAndAnIdleWindow() {
        Select(1);
        form_->SplitButton->SetEnabled(true);  // drawn on, yet nothing is checked
        form_->SplitButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgCheckTrackToSplit)});
        QVERIFY(!form_->UiBusy.load());

        Check({1});
        form_->UiBusy = true;
        AnswerSplit("00:15:000");
        form_->SplitButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y", "Z"}));
    }

    void splitDialogField() {
        app::TSplitForm& dialog = *form_->SplitForm;
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
        QTest::mouseClick(form_->SplitForm->HelpButton, Qt::LeftButton);
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
        form_->MergeButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y"}));
        QCOMPARE(form_->TrackList[2].Start, std::string("00:20:000"));
        QCOMPARE(form_->TrackList[2].Duration, std::string("02:10:000"));
    }

    void mergeWithoutNeighboursDoesNothing() {
        Check({0, 2});
        form_->MergeButton->SetEnabled(true);
        form_->MergeButtonClick();
        QCOMPARE(Names(), (QStringList{"W", "X", "Y", "Z"}));
        QVERIFY(form_->StatusText(0).isEmpty());
        QVERIFY(!form_->UiBusy.load());
    }

    void previewPlaysTheTrackAndWindsUpWhenItEnds() {
        Check({1});
        Select(3);  // a selected row wins over a checked one
        QTest::mouseClick(form_->PreViewTrackStartButton, Qt::LeftButton);
        QCOMPARE(player_.plays.size(), std::size_t(1));
        QCOMPARE(player_.plays[0].file, std::string("/records/side.wav"));
        QCOMPARE(player_.plays[0].start, 120000u);
        QCOMPARE(player_.plays[0].stop, 150000u);
        QVERIFY(form_->Previewing.load());
        QVERIFY(form_->UiBusy.load());
        QVERIFY(form_->AudioTimer->isActive());
        QCOMPARE(form_->StatusText(0), Message(engine::MsgPreviewing));
        for (auto* off : {form_->AnalyzeButton, form_->BrowseButton, form_->SplitButton, form_->SaveButton,
                          form_->MergeButton, form_->PreViewTrackEndButton})
            QVERIFY2(!off->Enabled(), qPrintable(off->objectName()));
        QVERIFY(form_->StopPreviewButton->Enabled());
        QVERIFY(!form_->OpenMenuItem->isEnabled());

        player_.position = 149000;  // still playing
        form_->AudioTimerTimer();
        QVERIFY(form_->Previewing.load());
        QVERIFY(form_->AudioTimer->isActive());
        player_.position = 0;  // ended
        form_->AudioTimerTimer();
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(!form_->AudioTimer->isActive());
        QVERIFY(!form_->StopPreviewButton->Enabled());
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        QVERIFY(form_->PreViewTrackEndButton->Enabled());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->BrowseButton->Enabled());
        QVERIFY(form_->StatusText(0).isEmpty());
        QCOMPARE(player_.stops, 0);
    }

    void endPreviewPlaysTheLastSeconds_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<uint>("start");
        QTest::addColumn<uint>("stop");
        QTest::newRow("default five seconds") << 3 << QString() << 145000u << 150000u;
        QTest::newRow("ten seconds") << 3 << "10" << 140000u << 150000u;
        QTest::newRow("stop within the first seconds") << 0 << "12" << 0u << 10000u;
        QTest::newRow("short track starts before itself") << 2 << "8" << 17000u << 25000u;
    }
    void endPreviewPlaysTheLastSeconds() {
        QFETCH(int, row);
        QFETCH(QString, setting);
        QFETCH(uint, start);
        QFETCH(uint, stop);
        if (!setting.isEmpty()) {
            std::ofstream(env_->SettingsFile().toStdString()) << "[PreViewSection]\nPreViewEndTime=" << setting.toStdString()
                                                               << "\n";
        }
        Select(row);
        QTest::mouseClick(form_->PreViewTrackEndButton, Qt::LeftButton);
        QCOMPARE(player_.plays.size(), std::size_t(1));
        QCOMPARE(player_.plays[0].start, start);
        QCOMPARE(player_.plays[0].stop, stop);
        QVERIFY(!form_->PreViewTrackStartButton->Enabled());
    }

    void stopEndsThePreviewAndTheNextTickRestores() {
        Select(1);
        form_->PreViewTrackStartButtonClick();
        player_.position = 15000;
        QTest::mouseClick(form_->StopPreviewButton, Qt::LeftButton);
        QCOMPARE(player_.stops, 1);
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(!form_->StopPreviewButton->Enabled());
        QVERIFY(form_->AudioTimer->isActive());
        form_->AudioTimerTimer();
        QVERIFY(!form_->AudioTimer->isActive());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->FileNameEdit->isEnabled());
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        QVERIFY(form_->StatusText(0).isEmpty());
    }

    void playerFailuresAreShownAndWoundUp_data() {
        QTest::addColumn<bool>("failStart");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("message");
        QTest::newRow("no device") << true << 104 << int(engine::MsgNoPlaybackDevice);
        QTest::newRow("unknown code") << true << 111 << int(engine::MsgPlayerUnknownError);
        QTest::newRow("stop fails") << false << 116 << int(engine::MsgNotEnoughMemory);
    }
    void playerFailuresAreShownAndWoundUp() {
        QFETCH(bool, failStart);
        QFETCH(int, code);
        QFETCH(int, message);
        (failStart ? player_.playResult : player_.stopResult) = uint16_t(code);
        form_->Player = player_.Calls();
        Select(1);
        form_->PreViewTrackStartButtonClick();
        QVERIFY(form_->Previewing.load());  // set whatever the player said
        if (!failStart) {
            player_.position = 12000;
            form_->StopPreviewButtonClick();
        }
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(message)});
        form_->AudioTimerTimer();  // nothing playing (position 0) or already stopped
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(!form_->AudioTimer->isActive());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(!form_->StopPreviewButton->Enabled());
    }

    void noRowToPreviewRestoresTheWindowAtOnce() {
        form_->PreViewTrackStartButton->SetEnabled(true);
        form_->PreViewTrackStartButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgSelectTrackToPreview)});
        QVERIFY(player_.plays.empty());
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->BrowseButton->Enabled());
        QVERIFY(form_->FileNameEdit->isEnabled());
        QVERIFY(form_->PreferencesMenuItem->isEnabled());
        QVERIFY(!form_->StopPreviewButton->Enabled());
        QVERIFY(!form_->AudioTimer->isActive());
    }

    void closingStopsAPreview_data() {
        QTest::addColumn<int>("stopResult");
        QTest::newRow("stops") << 0;
        QTest::newRow("cannot stop") << 114;
    }
    void closingStopsAPreview() {
        QFETCH(int, stopResult);
        player_.stopResult = uint16_t(stopResult);
        form_->Player = player_.Calls();
        Select(1);
        form_->PreViewTrackStartButtonClick();
        QVERIFY(form_->close());  // busy: no question; the program ends either way
        QCOMPARE(player_.stops, 1);
        const QStringList expected{"error: " + Message(engine::MsgPlayerCannotAscend)};
        QCOMPARE(dialogs_->boxes, stopResult == 0 ? QStringList{} : expected);
        QCOMPARE(QFile::exists(env_->SettingsFile()), stopResult == 0);  // the file type is stored only after a stop
    }

    void playsThroughTheRealPlayer() {
        test::TempDir dir;
        test::Pcm pcm(16, 1);
        pcm.Loud(8000);
        form_->CurrentWaveFile = dir.Write("tone.wav", test::PcmWave(test::Format{1, 1, 8000, 16}, pcm.bytes()));
        form_->TrackList = {{"tone", "00:00:000", "00:00:400", "00:00:400", 0, 0}};
        form_->TrackListView->clear();
        form_->FillTrackListView();
        form_->Player = app::LibraryPlayer();
        Select(0);
        form_->PreViewTrackStartButtonClick();
        QVERIFY(form_->Previewing.load());
        QTRY_VERIFY_WITH_TIMEOUT(!form_->Previewing.load(), 5000);  // the next ticks find it ended
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        QVERIFY(!form_->UiBusy.load());
    }
};

QTEST_MAIN(EditPreviewTest)
#include "EditPreviewTest.moc"
