// Preview through the main window. The player is a recording stand-in,
// except in the last case, which plays through the real library on SDL's
// dummy driver.
#include <QAction>
#include <QLineEdit>
#include <QtTest>

#include "analysis/window/AnalysisHandlers.h"
#include "analysis/window/OverviewForm.h"
#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "preview/window/PreviewHandlers.h"
#include "support/TestWave.h"
#include "support/window/FourTracksFixture.h"

#include <fstream>

using namespace quillon;
using test::Message;

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

class PreviewTest : public QObject, protected test::FourTracksFixture {
    Q_OBJECT
    FakePlayer player_;

private slots:
    void init() {
        player_ = FakePlayer{};
        QVERIFY(ShowFourTracks());
        form_->Preview().Player = player_.Calls();
    }
    void cleanup() { DestroyForm(); }

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
        QVERIFY(form_->Preview().AudioTimer->isActive());
        QCOMPARE(form_->StatusText(0), Message(engine::MsgPreviewing));
        for (auto* off : {form_->AnalyzeButton, form_->BrowseButton, form_->SplitButton, form_->SaveButton,
                          form_->MergeButton, form_->PreViewTrackEndButton})
            QVERIFY2(!off->Enabled(), qPrintable(off->objectName()));
        QVERIFY(form_->StopPreviewButton->Enabled());
        QVERIFY(!form_->OpenMenuItem->isEnabled());

        player_.position = 149000;  // still playing
        form_->Preview().AudioTimerTimer();
        QVERIFY(form_->Previewing.load());
        QVERIFY(form_->Preview().AudioTimer->isActive());
        player_.position = 0;  // ended
        form_->Preview().AudioTimerTimer();
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(!form_->Preview().AudioTimer->isActive());
        QVERIFY(!form_->StopPreviewButton->Enabled());
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        QVERIFY(form_->PreViewTrackEndButton->Enabled());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->BrowseButton->Enabled());
        QVERIFY(form_->StatusText(0).isEmpty());
        QCOMPARE(player_.stops, 0);
    }

    void theOverviewShowsThePlayingTime() {
        form_->OverviewMenuItem->trigger();
        const app::TOverviewForm* overview = form_->Analysis().OverviewForm;
        Select(1);
        form_->Preview().PreViewTrackStartButtonClick();
        player_.position = 12345;
        QTRY_COMPARE(overview->windowTitle(), QString("Quillon Overview - playing 00:12:345"));
        player_.position = 0;
        form_->Preview().AudioTimerTimer();
        QTRY_COMPARE(overview->windowTitle(), QString("Quillon Overview"));
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
            std::ofstream(env_->SettingsFile().toStdString())
                << "[PreViewSection]\nPreViewEndTime=" << setting.toStdString() << "\n";
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
        form_->Preview().PreViewTrackStartButtonClick();
        player_.position = 15000;
        QTest::mouseClick(form_->StopPreviewButton, Qt::LeftButton);
        QCOMPARE(player_.stops, 1);
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(!form_->StopPreviewButton->Enabled());
        QVERIFY(form_->Preview().AudioTimer->isActive());
        form_->Preview().AudioTimerTimer();
        QVERIFY(!form_->Preview().AudioTimer->isActive());
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
        form_->Preview().Player = player_.Calls();
        Select(1);
        form_->Preview().PreViewTrackStartButtonClick();
        QVERIFY(form_->Previewing.load());  // set whatever the player said
        if (!failStart) {
            player_.position = 12000;
            form_->Preview().StopPreviewButtonClick();
        }
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(message)});
        form_->Preview().AudioTimerTimer();  // nothing playing (position 0) or already stopped
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(!form_->Preview().AudioTimer->isActive());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(!form_->StopPreviewButton->Enabled());
    }

    void noRowToPreviewRestoresTheWindowAtOnce() {
        form_->PreViewTrackStartButton->SetEnabled(true);
        form_->Preview().PreViewTrackStartButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgSelectTrackToPreview)});
        QVERIFY(player_.plays.empty());
        QVERIFY(!form_->Previewing.load());
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->BrowseButton->Enabled());
        QVERIFY(form_->FileNameEdit->isEnabled());
        QVERIFY(form_->PreferencesMenuItem->isEnabled());
        QVERIFY(!form_->StopPreviewButton->Enabled());
        QVERIFY(!form_->Preview().AudioTimer->isActive());
    }

    void closingStopsAPreview_data() {
        QTest::addColumn<int>("stopResult");
        QTest::newRow("stops") << 0;
        QTest::newRow("cannot stop") << 114;
    }

    void closingStopsAPreview() {
        QFETCH(int, stopResult);
        player_.stopResult = uint16_t(stopResult);
        form_->Preview().Player = player_.Calls();
        Select(1);
        form_->Preview().PreViewTrackStartButtonClick();
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
        form_->Preview().Player = app::LibraryPlayer();
        Select(0);
        form_->Preview().PreViewTrackStartButtonClick();
        QVERIFY(form_->Previewing.load());
        QTRY_VERIFY_WITH_TIMEOUT(!form_->Previewing.load(), 5000);  // the next ticks find it ended
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        QVERIFY(!form_->UiBusy.load());
    }
};

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
