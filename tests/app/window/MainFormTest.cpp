// The main window: which controls are on in which state, the analysis job's
// three ends, opening files, and closing. Boxes go to a scripted double.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QSpinBox>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "analysis/WaveRead.h"
#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/FileListBlock.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "export/window/DetailsForm.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"
#include "support/window/ScriptedDialogs.h"
#include "support/window/WindowTestEnv.h"

using namespace quillon;
using app::TMainForm;
using test::Message;

namespace {

// Two seconds of sound, four of silence, two of sound: two tracks at the default settings.
std::string WriteTwoTrackWave(const test::TempDir& dir, const std::string& name = "Side A.wav") {
    test::Pcm pcm(16, 2);
    pcm.Loud(88200).Silent(176400).Loud(88200);
    return dir.Write(name, test::PcmWave(test::Format{}, pcm.bytes()));
}

// A runner that holds its job open until the job is aborted, as a long scan would.
struct HeldRunner {
    std::atomic<bool> started{false};
    std::atomic<bool> aborted{false};
    app::AnalysisRunner Runner() {
        return [this](engine::AnalysisJob& job, engine::TrackList& tracks, engine::WindowSeam&) {
            started = true;
            while (!job.AbortRequested.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            aborted = true;
            tracks.clear();
        };
    }
};

}  // namespace

class MainFormTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT

    void MakeForm(std::vector<std::string> arguments = {}) { QVERIFY(ShowForm(std::move(arguments))); }
    void ListTracks(int count) {
        for (int i = 0; i < count; ++i) {
            form_->TrackList.push_back({"Track " + std::to_string(i + 1), "00:00:000", "00:01:000", "00:01:000", 0, 0});
        }
        form_->FillTrackListView();
    }
    void Check(std::initializer_list<int> rows) {
        for (int row : rows) form_->TrackListView->SetChecked(row, true);
    }
    void Analyze(const std::string& path) {
        form_->FileNameEdit->setText(QString::fromStdString(path));
        form_->Analysis().analyzeButtonClick();
    }
    bool Idle() const {
        return !form_->Analysis().AnalysisJob && !form_->UiBusy.load() && !form_->Analysis().AnalyzeTimer->isActive();
    }
    bool AnyStatusPanel() const {
        for (int i = 0; i < 5; ++i) {
            if (!form_->StatusText(i).isEmpty()) return true;
        }
        return false;
    }

private slots:
    void init() { Prepare(); }
    void cleanup() {
        DestroyForm();
        engine::SetWideFormats(false);  // the setting is the whole process's
    }

    void moreThanTenThousandTracksAreListedAndWorkedOn() {
        // 10,050 pieces 1.2 s apart at 1 kHz, cut at silences over the 1 s set here.
        std::ofstream(env_->SettingsFile().toStdString()) << "[SilenceDuratuionSection]\nSilenceDuration:=1\n";
        test::Pcm pcm(8, 1);
        for (int i = 0; i < 10050; ++i) pcm.Loud(20).Silent(1200);
        const std::string path = files_->Write("Many.wav", test::PcmWave(test::Format{1, 1, 1000, 8}, pcm.bytes()));
        MakeForm();
        Analyze(path);
        QTRY_VERIFY_WITH_TIMEOUT(Idle(), 20000);
        QCOMPARE(form_->TrackListView->RowCount(), 10050);
        QCOMPARE(form_->TrackListView->Row(9998)->text(0), QString("Many.9999"));
        QCOMPARE(form_->TrackListView->Row(10049)->text(0), QString("Many.10050"));
        QCOMPARE(form_->TrackListView->Row(10049)->text(2), QString("204:21:000"));
        form_->TrackListView->scrollToBottom();
        form_->SelectAllMenuItemClick();
        QVERIFY(form_->TrackListView->IsChecked(10049));
        QVERIFY(form_->SaveButton->Enabled());
        QVERIFY(form_->MergeButton->Enabled());
        form_->SelectNoneMenuitemClick();
        QVERIFY(!form_->SaveButton->Enabled());
        Check({10048, 10049});
        QVERIFY(form_->MergeButton->Enabled());
    }

    void firstShowing() {
        MakeForm();
        QCOMPARE(form_->windowTitle(), QString("Corvane Quillon"));
        QVERIFY(form_->BrowseButton->Enabled());
        for (auto* b : {form_->AnalyzeButton, form_->SplitButton, form_->MergeButton, form_->PreViewTrackStartButton,
                        form_->PreViewTrackEndButton, form_->StopPreviewButton, form_->SaveButton, form_->EditButton,
                        form_->BurnCDButton}) {
            QVERIFY2(!b->Enabled(), qPrintable(b->objectName()));
        }
        QVERIFY(!form_->FileTypeComboBox->isEnabled());
        QVERIFY(form_->ProgressBar->isHidden());
        QVERIFY(form_->AbortButton->isHidden());
        for (QAction* on : {form_->OpenMenuItem, form_->PreferencesMenuItem, form_->ExitMenuItem, form_->HelpTopicsItem,
                            form_->AboutQuillonMenuItem})
            QVERIFY(on->isEnabled());
        for (QAction* off : {form_->SaveMenuItem, form_->BurnMenuItem, form_->EditMenuItem, form_->SelectAllMenuItem,
                             form_->SelectNoneMenuitem})
            QVERIFY(!off->isEnabled());
        const int widths[] = {225, 103, 105, 100};
        for (int c = 0; c < 4; ++c) QCOMPARE(form_->TrackListView->columnWidth(c), widths[c]);
        QCOMPARE(form_->centralWidget()->width(), 560);
    }

    void typingAPathEnablesAnalyze() {
        MakeForm();
        form_->FileNameEdit->setText("/x.wav");
        QVERIFY(form_->AnalyzeButton->Enabled());
        form_->FileNameEdit->clear();
        QVERIFY(form_->AnalyzeButton->Enabled());  // an empty text does not turn it off
    }

    void mergeNeedsNeighbouringCheckedRows_data() {
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<bool>("merge");
        QTest::newRow("rows 2 and 3") << QList<int>{1, 2} << true;
        QTest::newRow("rows 1 and 3") << QList<int>{0, 2} << false;
        QTest::newRow("last two rows") << QList<int>{3, 4} << true;
        QTest::newRow("last row only") << QList<int>{4} << false;
        QTest::newRow("none") << QList<int>{} << false;
    }
    void mergeNeedsNeighbouringCheckedRows() {
        QFETCH(QList<int>, checked);
        QFETCH(bool, merge);
        MakeForm();
        ListTracks(5);
        for (int row : checked) form_->TrackListView->SetChecked(row, true);
        QCOMPARE(form_->MergeButton->Enabled(), merge);
    }

    void checkedRowsEnableTheTrackCommands() {
        MakeForm();
        ListTracks(3);
        Check({1});
        for (auto* b : {form_->SplitButton, form_->SaveButton, form_->EditButton, form_->BurnCDButton,
                        form_->PreViewTrackStartButton, form_->PreViewTrackEndButton})
            QVERIFY(b->Enabled());
        QVERIFY(form_->FileTypeComboBox->isEnabled());
        for (QAction* a : {form_->SaveMenuItem, form_->BurnMenuItem, form_->EditMenuItem}) QVERIFY(a->isEnabled());

        // Unchecked again, only a selection keeps the previews on.
        form_->TrackListView->setCurrentItem(form_->TrackListView->Row(2));
        form_->TrackListView->SetChecked(1, false);
        QVERIFY(!form_->SplitButton->Enabled());
        QVERIFY(!form_->SaveMenuItem->isEnabled());
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        QVERIFY(form_->PreViewTrackEndButton->Enabled());
        form_->TrackListView->clearSelection();
        QVERIFY(!form_->PreViewTrackStartButton->Enabled());
    }

    void leavingTheListClearsTheSelection() {
        MakeForm();
        QVERIFY(QTest::qWaitForWindowActive(form_));
        ListTracks(3);
        form_->TrackListView->setFocus();
        QTRY_VERIFY(form_->TrackListView->hasFocus());
        form_->TrackListView->setCurrentItem(form_->TrackListView->Row(0));
        QVERIFY(form_->PreViewTrackStartButton->Enabled());
        form_->FileNameEdit->setFocus();
        QTRY_VERIFY(form_->TrackListView->selectedItems().isEmpty());
        QVERIFY(!form_->PreViewTrackStartButton->Enabled());
    }

    void listIsLockedWhilePreviewing() {
        MakeForm();
        ListTracks(3);
        form_->Previewing = true;
        Check({0, 1});
        QVERIFY(!form_->SplitButton->Enabled());
        QVERIFY(!form_->MergeButton->Enabled());
        form_->TrackListViewExit();
        form_->SelectAllMenuItemClick();
        QVERIFY(!form_->TrackListView->IsChecked(2));
        form_->Previewing = false;
        form_->TrackListViewClick();
        QVERIFY(form_->MergeButton->Enabled());
    }

    void selectAllAndNone() {
        MakeForm();
        form_->SelectAllMenuItemClick();  // an empty list
        QVERIFY(form_->SelectNoneMenuitem->isEnabled());
        QVERIFY(!form_->SplitButton->Enabled());
        QVERIFY(!form_->MergeButton->Enabled());

        ListTracks(3);
        form_->SelectAllMenuItemClick();
        for (int i = 0; i < 3; ++i) QVERIFY(form_->TrackListView->IsChecked(i));
        QVERIFY(form_->MergeButton->Enabled());
        QVERIFY(form_->SaveButton->Enabled());
        form_->SelectNoneMenuitemClick();
        for (int i = 0; i < 3; ++i) QVERIFY(!form_->TrackListView->IsChecked(i));
        QVERIFY(form_->SelectAllMenuItem->isEnabled());
        QVERIFY(!form_->MergeButton->Enabled());
        QVERIFY(!form_->SaveButton->Enabled());
    }

    void renamingInPlaceChangesOnlyTheNameAndLetsTheTagFollowIt() {
        MakeForm();
        ListTracks(2);
        for (auto& track : form_->TrackList) track.Title = "Imported / Title";
        QTreeWidgetItem* row = form_->TrackListView->Row(1);
        form_->TrackListView->editItem(row, 1);
        QVERIFY(form_->TrackListView->findChild<QLineEdit*>() == nullptr);
        form_->TrackListView->setCurrentItem(row);
        form_->TrackListView->editItem(row, 0);
        QLineEdit* editor = nullptr;
        QTRY_VERIFY((editor = form_->TrackListView->findChild<QLineEdit*>()) != nullptr);
        editor->setText("Blue Moon");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(form_->TrackList[1].Name, std::string("Blue Moon"));
        QCOMPARE(form_->TrackList[1].Title, std::string());
        QCOMPARE(form_->TrackList[0].Name, std::string("Track 1"));
        QCOMPARE(form_->TrackList[0].Title, std::string("Imported / Title"));
    }

    void recordingDetailsStayWithTheirFile() {
        MakeForm();
        const std::string sideA = WriteTwoTrackWave(*files_);
        AnalyzeAndWait(sideA);
        dialogs_->onExec = [](QDialog& dialog) {
            auto& details = static_cast<app::TDetailsForm&>(dialog);
            if (details.AlbumEdit->text() != "Side A") return int(QDialog::Rejected);
            details.ArtistEdit->setText(" The Band ");
            details.FirstNumberEdit->setValue(7);
            return int(QDialog::Accepted);
        };
        form_->DetailsMenuItem->trigger();
        QCOMPARE(form_->Details.Artist, std::string("The Band"));

        AnalyzeAndWait(sideA);
        QCOMPARE(form_->Details.Artist, std::string("The Band"));
        QCOMPARE(form_->Details.FirstNumber, 7u);

        AnalyzeAndWait(WriteTwoTrackWave(*files_, "Side B.wav"));
        QCOMPARE(form_->Details.Artist, std::string());
        QCOMPARE(form_->Details.Album, std::string("Side B"));
        QCOMPARE(form_->Details.FirstNumber, 1u);
    }

    void analysisFinishes() {
        MakeForm();
        const std::string path = WriteTwoTrackWave(*files_);
        Analyze(path);
        QVERIFY(form_->UiBusy.load());
        QVERIFY(!form_->AbortButton->isHidden());
        QVERIFY(!form_->FileNameEdit->isEnabled());
        QTRY_VERIFY(Idle());
        QCOMPARE(form_->StatusText(0), Message(engine::MsgAnalyzingCompleted));
        QCOMPARE(form_->StatusText(1), QString("44100 Hz"));
        QCOMPARE(form_->StatusText(2), QString("16 Bit"));
        QCOMPARE(form_->StatusText(3), QString("Stereo"));
        QCOMPARE(form_->StatusText(4), QString("00:08:000"));
        QCOMPARE(form_->TrackListView->RowCount(), 2);
        QCOMPARE(form_->TrackList.size(), std::size_t(2));
        QCOMPARE(form_->TrackListView->Row(1)->text(0), QString("Side A.0002"));
        QCOMPARE(form_->CurrentWaveFile, path);
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->SelectAllMenuItem->isEnabled());
        QVERIFY(!form_->SplitButton->Enabled());
        QVERIFY(form_->ProgressBar->isHidden());
        QVERIFY(form_->AbortButton->isHidden());
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void openingAFileKeepsTheWindowsWidth_data() {
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("shown");
        QTest::newRow("16-bit PCM") << 1 << 16 << "16 Bit";
        QTest::newRow("24-bit PCM") << 1 << 24 << "24 Bit";
        QTest::newRow("64-bit float, the longest text") << 3 << 64 << "64 Bit float";
    }
    void openingAFileKeepsTheWindowsWidth() {
        QFETCH(int, tag);
        QFETCH(int, bits);
        QFETCH(QString, shown);
        MakeForm();
        engine::SetWideFormats(true);
        // Eight seconds of stereo silence at 1 kHz, in the row's layout.
        const test::Format format{uint16_t(tag), 2, 1000, uint16_t(bits)};
        Analyze(files_->Write("side.wav", test::PcmWave(format, test::Bytes(std::size_t(8000 * 2 * bits / 8)))));
        QTRY_VERIFY(Idle());
        QCOMPARE(form_->StatusText(2), shown);
        const QLabel* kindPanel = form_->StatusPanels[2];
        QVERIFY(kindPanel->width() >= kindPanel->sizeHint().width());
        QCOMPARE(form_->StatusText(4), QString("00:08:000"));
        QCOMPARE(form_->width(), 560);
        // The message panel made the room: the last panel is still whole in the bar.
        const QLabel* last = form_->StatusPanels[4];
        QTRY_VERIFY(last->mapTo(form_, QPoint(last->width(), 0)).x() <= form_->width());
    }

    void analysisFailsOnEmptyData() {
        MakeForm();
        const std::string path = files_->Write("empty.wav", test::PcmWave(test::Format{}, {}));
        Analyze(path);
        QTRY_VERIFY(Idle());
        QTRY_COMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgNoDataToAnalyze)});
        QVERIFY(!AnyStatusPanel());
        QCOMPARE(form_->TrackListView->RowCount(), 0);
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->FileNameEdit->isEnabled());
        QVERIFY(form_->BrowseButton->Enabled());
        QVERIFY(!form_->SelectAllMenuItem->isEnabled());
        QVERIFY(form_->AbortButton->isHidden());
    }

    void refusedNamesChangeNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("message");
        QTest::newRow("no folder") << "song.wav" << int(engine::MsgNeedFullPath);
        QTest::newRow("missing file") << "/no/such/folder/song.wav" << int(engine::MsgFileDoesNotExist);
    }
    void refusedNamesChangeNothing() {
        QFETCH(QString, name);
        QFETCH(int, message);
        MakeForm();
        Analyze(name.toStdString());
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(message)});
        QVERIFY(!form_->Analysis().AnalysisJob);
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(!form_->UiBusy.load());
    }

    void abortEndsTheAnalysisAndANewOneRuns() {
        MakeForm();
        HeldRunner held;
        form_->Analysis().SetAnalysisRunner(held.Runner());
        const std::string path = WriteTwoTrackWave(*files_);
        Analyze(path);
        QTRY_VERIFY(held.started.load());
        form_->ShowWaveInfo(8000, 44100, 16, 2, false);
        QTest::mouseClick(form_->AbortButton, Qt::LeftButton);
        QTRY_VERIFY(Idle());
        QVERIFY(held.aborted.load());
        QCOMPARE(form_->StatusText(0), Message(engine::MsgAbortedByUser));
        for (int i = 1; i < 5; ++i) QVERIFY(form_->StatusText(i).isEmpty());
        QCOMPARE(form_->TrackListView->RowCount(), 0);
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->FileNameEdit->isEnabled());

        form_->Analysis().SetAnalysisRunner(engine::RunAnalysis);
        QTest::mouseClick(form_->AnalyzeButton, Qt::LeftButton);
        QTRY_VERIFY(Idle());
        QCOMPARE(form_->TrackListView->RowCount(), 2);
    }

    void analyzeIsRefusedWhileRunningOrPreviewing() {
        MakeForm();
        HeldRunner held;
        form_->Analysis().SetAnalysisRunner(held.Runner());
        const std::string path = WriteTwoTrackWave(*files_);
        Analyze(path);
        const auto first = form_->Analysis().AnalysisJob;
        QVERIFY(first);
        form_->AnalyzeButton->SetEnabled(true);  // even with the button drawn on, a running job refuses
        form_->Analysis().analyzeButtonClick();
        QCOMPARE(form_->Analysis().AnalysisJob, first);
        form_->Analysis().AbortButtonClick();
        QTRY_VERIFY(Idle());

        form_->Previewing = true;
        form_->Analysis().analyzeButtonClick();
        QVERIFY(!form_->Analysis().AnalysisJob);
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void anAbortedWorkerDoesNotDisturbTheNextJob() {
        MakeForm();
        // The first worker keeps going after its abort, then reports tracks and
        // status texts of its own, as a slow last block would.
        std::atomic<bool> release{false}, late{false};
        form_->Analysis().SetAnalysisRunner(
            [&](engine::AnalysisJob& job, engine::TrackList& tracks, engine::WindowSeam& seam) {
                while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                tracks.push_back({"stale", "", "", "", 0, 0});
                seam.SetStatusText("stale");
                seam.ShowWaveInfo(1, 8000, 8, 1, false);
                seam.StopAnalysis();
                if (!job.AbortRequested.load()) job.State = engine::JobFinished;
                late = true;
            });
        const std::string path = WriteTwoTrackWave(*files_);
        Analyze(path);
        form_->Analysis().AbortButtonClick();
        form_->Analysis().SetAnalysisRunner(engine::RunAnalysis);
        QVERIFY(form_->AnalyzeButton->Enabled());
        form_->Analysis().analyzeButtonClick();
        QTRY_VERIFY(form_->TrackListView->RowCount() == 2);
        release = true;
        QTRY_VERIFY(late.load());
        QTRY_VERIFY(Idle());
        QTest::qWait(150);
        QCOMPARE(form_->TrackListView->RowCount(), 2);
        QCOMPARE(form_->TrackListView->Row(0)->text(0), QString("Side A.0001"));
        QCOMPARE(form_->StatusText(0), Message(engine::MsgAnalyzingCompleted));
        QCOMPARE(form_->StatusText(1), QString("44100 Hz"));
        QVERIFY(form_->AnalyzeButton->Enabled());
    }

    void aWorkersReportsAfterAnAbortAreDropped() {
        MakeForm();
        std::atomic<bool> reported{false};
        form_->Analysis().SetAnalysisRunner(
            [&reported](engine::AnalysisJob& job, engine::TrackList&, engine::WindowSeam& seam) {
                while (!job.AbortRequested.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                seam.ShowWaveInfo(1000, 44100, 16, 2, false);  // read just before the abort was seen
                seam.SetStatusText("late");
                reported = true;
            });
        Analyze(WriteTwoTrackWave(*files_));
        QTest::mouseClick(form_->AbortButton, Qt::LeftButton);
        QTRY_VERIFY(reported.load() && Idle());
        QTest::qWait(50);
        QCOMPARE(form_->StatusText(0), Message(engine::MsgAbortedByUser));
        for (int i = 1; i < 5; ++i) QVERIFY(form_->StatusText(i).isEmpty());
    }

    void selectAllWinsOverTheFileNameField() {
        MakeForm();
        ListTracks(3);
        form_->SelectAllMenuItem->setEnabled(true);
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_));
        form_->FileNameEdit->setFocus();
        QTest::keyClick(form_->FileNameEdit, Qt::Key_A, Qt::ControlModifier);
        for (int i = 0; i < 3; ++i) QVERIFY(form_->TrackListView->IsChecked(i));
        QVERIFY(!form_->FileNameEdit->acceptDrops());  // a dropped file goes to the window, which opens it
    }

    void tabRunsThroughTheEnabledControlsInReadingOrder() {
        MakeForm();
        ListTracks(3);
        Check({0});  // Merge needs two, Stop a preview: both stay off
        form_->FileNameEdit->setText("/music/Side A.wav");
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_));
        form_->FileNameEdit->setFocus();
        QList<QWidget*> visited{QApplication::focusWidget()};
        for (int i = 0; i < 11; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        const QList<QWidget*> expected{form_->FileNameEdit,
                                       form_->BrowseButton,
                                       form_->AnalyzeButton,
                                       form_->TrackListView,
                                       form_->SplitButton,
                                       form_->PreViewTrackStartButton,
                                       form_->PreViewTrackEndButton,
                                       form_->FileTypeComboBox,
                                       form_->SaveButton,
                                       form_->EditButton,
                                       form_->BurnCDButton,
                                       form_->FileNameEdit};
        QCOMPARE(visited, expected);
    }

    void keysRunTheirCommands_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("box");
        QTest::newRow("Enter in the file name analyses")
            << int(Qt::Key_Return) << int(Qt::NoModifier) << "error: " + Message(engine::MsgFileDoesNotExist);
        QTest::newRow("F1 opens the help")
            << int(Qt::Key_F1) << int(Qt::NoModifier) << "error: Error: Cannot find the help page";
        QTest::newRow("Ctrl+Q asks before quitting") << int(Qt::Key_Q) << int(Qt::ControlModifier)
                                                     << "warning question: " + Message(engine::MsgUnsavedTracksExit);
    }
    void keysRunTheirCommands() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, box);
        MakeForm();
        ListTracks(2);  // unsaved tracks, so quitting asks
        form_->FileNameEdit->setText("/nowhere/Side A.wav");
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_));
        form_->FileNameEdit->setFocus();
        dialogs_->answers = {false};
        QTest::keyClick(form_->FileNameEdit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(dialogs_->boxes.size(), 1);
        QVERIFY2(dialogs_->boxes.front().startsWith(box), qPrintable(dialogs_->boxes.front()));
        QVERIFY(form_->isVisible());
    }

    void trackMenuFollowsTheButtons() {
        MakeForm();
        const std::pair<QAction*, app::TSimpleBmpButton*> items[] = {
            {form_->PlayMenuItem, form_->PreViewTrackStartButton},
            {form_->PlayEndMenuItem, form_->PreViewTrackEndButton},
            {form_->StopMenuItem, form_->StopPreviewButton},
            {form_->SplitMenuItem, form_->SplitButton},
            {form_->MergeMenuItem, form_->MergeButton}};
        const auto enabled = [&items] {
            QList<bool> states;
            for (const auto& [item, button] : items) {
                if (item->isEnabled() != button->Enabled()) return QList<bool>{};
                states << item->isEnabled();
            }
            return states;
        };
        QCOMPARE(enabled(), (QList<bool>{false, false, false, false, false}));
        ListTracks(3);
        Check({0, 1});
        QCOMPARE(enabled(), (QList<bool>{true, true, false, true, true}));
        form_->SetPreviewControlsEnabled(false);  // as a preview starts
        form_->SetEnabled(app::Control::StopPreview, true);
        QCOMPARE(enabled(), (QList<bool>{true, true, true, false, true}));
        QStringList clicked;
        for (const auto& [item, button] : items) {
            button->SetEnabled(true);
            button->OnClick = [&clicked, button] { clicked << button->accessibleName(); };
            item->trigger();  // a disabled item would not
        }
        QCOMPARE(clicked, (QStringList{"Play", "Play End", "Stop", "Split", "Merge"}));
    }

    void unsavableNamesAreFlaggedWhenTyped_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("flag");
        QTest::newRow("slash") << "a/b"
                               << "The name \"a/b\" cannot be saved: a track name cannot hold / or \".";
        QTest::newRow("quote") << "My \"Song\""
                               << "The name \"My \"Song\"\" cannot be saved: a track name cannot hold / or \".";
        QTest::newRow("line break") << "two\nlines"
                                    << QString::fromUtf8(
                                           "The name \"two\u21B5lines\" cannot be saved: a track name "
                                           "cannot hold a line break.");
        QTest::newRow("usable") << "Blue Moon" << QString();
    }
    void unsavableNamesAreFlaggedWhenTyped() {
        QFETCH(QString, name);
        QFETCH(QString, flag);
        MakeForm();
        ListTracks(2);
        emit form_->TrackListView->nameEdited(1, name);
        QCOMPARE(QString::fromStdString(form_->TrackList[1].Name), name);  // kept as typed
        QCOMPARE(form_->StatusText(0), flag);
        QTreeWidgetItem* row = form_->TrackListView->Row(1);
        QCOMPARE(row->toolTip(0), flag);
        QCOMPARE(row->icon(0).isNull(), flag.isEmpty());
        QVERIFY(form_->TrackListView->Row(0)->icon(0).isNull());
        emit form_->TrackListView->nameEdited(1, "Blue Moon");  // a usable name takes the flag away
        QVERIFY(row->toolTip(0).isEmpty() && row->icon(0).isNull());
        QCOMPARE(form_->StatusText(0), QString());
    }

    void commandLineFileIsOpenedWhenShown() {
        const std::string path = WriteTwoTrackWave(*files_);
        MakeForm({path, "/ignored/second.wav"});
        QTRY_VERIFY(form_->TrackListView->RowCount() == 2);
        QCOMPARE(form_->FileNameEdit->text().toStdString(), path);
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void commandLineNonWaveIsRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.wav";
        QTest::newRow("mp3") << "song.mp3";
    }
    void commandLineNonWaveIsRefused() {
        QFETCH(QString, name);
        const std::string path = files_->path() + "/" + name.toStdString();
        if (name.endsWith(".mp3")) files_->Write(name.toStdString(), {1, 2, 3});
        MakeForm({path});
        const QString expected = "error: " + Message(engine::MsgTheFilePrefix) + QString::fromStdString(path) +
                                 Message(engine::MsgDoesNotExistSuffix);
        QTRY_COMPARE(dialogs_->boxes, QStringList{expected});
        QVERIFY(!form_->Analysis().AnalysisJob);
        QVERIFY(form_->FileNameEdit->text().isEmpty());
    }

    void fileTypeIsRestoredAndStored() {
        std::ofstream(env_->SettingsFile().toStdString()) << "[FileTypeSection]\nFileType:=1\n";
        MakeForm();
        QCOMPARE(form_->FileTypeComboBox->currentText(), QString("MP3"));
        form_->FileTypeComboBox->setCurrentIndex(0);
        QVERIFY(form_->close());
        QFile ini(env_->SettingsFile());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("FileType:=0"));
    }

    void droppedFiles_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("opened");
        QTest::newRow("text file") << QStringList{"notes.txt"} << false;
        QTest::newRow("capital extension") << QStringList{"SIDE.WAV"} << true;
        QTest::newRow("first of three") << QStringList{"a.wav", "b.txt", "c.wav"} << true;
        QTest::newRow("text file first") << QStringList{"b.txt", "a.wav"} << false;
    }
    void droppedFiles() {
        QFETCH(QStringList, names);
        QFETCH(bool, opened);
        MakeForm();
        QList<QUrl> urls;
        for (const QString& name : names) {
            const std::string path = name.endsWith(".txt") ? files_->Write(name.toStdString(), {'h', 'i'})
                                                           : WriteTwoTrackWave(*files_, name.toStdString());
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        }
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form_, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form_, &drop);
        QTRY_VERIFY(Idle());
        QCOMPARE(form_->TrackListView->RowCount(), opened ? 2 : 0);
        QCOMPARE(form_->FileNameEdit->text(), opened ? urls.front().toLocalFile() : QString());
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void browseRefusesAnotherType() {
        MakeForm();
        const std::string mp3 = files_->Write("song.mp3", {1});
        dialogs_->openName = QString::fromStdString(mp3);
        form_->FileNameEdit->setText("/typed/before.wav");
        QTest::mouseClick(form_->BrowseButton, Qt::LeftButton);
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgNotValidWave)});
        QVERIFY(form_->FileNameEdit->text().isEmpty());
        QVERIFY(!form_->AnalyzeButton->Enabled());
        QVERIFY(!form_->UiBusy.load());

        dialogs_->openName.clear();  // Cancel
        form_->OpenMenuItem->trigger();
        QVERIFY(!form_->UiBusy.load());
        QCOMPARE(dialogs_->boxes.size(), 1);

        // A chosen wave the analysis then refuses must not leave the window busy.
        dialogs_->openName = QString::fromStdString(files_->path() + "/vanished.wav");
        form_->OpenMenuItem->trigger();
        QCOMPARE(dialogs_->boxes.last(), "error: " + Message(engine::MsgFileDoesNotExist));
        QVERIFY(!form_->UiBusy.load());

        dialogs_->openName = QString::fromStdString(WriteTwoTrackWave(*files_));
        form_->OpenMenuItem->trigger();
        QTRY_VERIFY(Idle());
        QCOMPARE(form_->TrackListView->RowCount(), 2);
    }

    void handOffIsRefusedWhileBusy() {
        MakeForm();
        engine::FileListBlock block;
        engine::FillFileListBlock(&block, {WriteTwoTrackWave(*files_)});
        form_->UiBusy = true;
        QCOMPARE(form_->WMCopyData(block.Data(), block.Size()), 0);
        form_->UiBusy = false;
        QCOMPARE(form_->WMCopyData(nullptr, 0), 0);
        QCOMPARE(form_->WMCopyData(block.Data(), block.Size()), 1);
        // Busy again by the time the posted request is handled: dropped silently.
        form_->UiBusy = true;
        QTest::qWait(50);
        QVERIFY(!form_->Analysis().AnalysisJob);
        form_->UiBusy = false;
        QCOMPARE(form_->WMCopyData(block.Data(), block.Size()), 1);
        QTRY_VERIFY(form_->TrackListView->RowCount() == 2);
    }

    void closeAsksOnlyAboutUnsavedTracks_data() {
        QTest::addColumn<QStringList>("saved");
        QTest::addColumn<bool>("asked");
        QTest::newRow("nothing saved") << QStringList{} << true;
        QTest::newRow("one of two saved") << QStringList{"Side A.0001.wav"} << true;
        QTest::newRow("both as wave") << QStringList{"Side A.0001.wav", "Side A.0002.wav"} << false;
        QTest::newRow("both as mp3") << QStringList{"Side A.0001.MP3", "Side A.0002.mp3"} << false;
    }
    void closeAsksOnlyAboutUnsavedTracks() {
        QFETCH(QStringList, saved);
        QFETCH(bool, asked);
        MakeForm();
        Analyze(WriteTwoTrackWave(*files_));
        QTRY_VERIFY(Idle());
        for (const QString& name : saved) files_->Write(name.toStdString(), {0});
        dialogs_->answers = {false};
        QCOMPARE(form_->close(), !asked);
        const QStringList question{"warning question: " + Message(engine::MsgUnsavedTracksExit)};
        QCOMPARE(dialogs_->boxes, asked ? question : QStringList{});
        if (!asked) return;
        QVERIFY(form_->isVisible());
        QVERIFY(!form_->UiBusy.load());
        dialogs_->answers = {true};
        QVERIFY(form_->close());
    }

    void closeWithAnEmptyListAsksNothing() {
        MakeForm();
        QVERIFY(form_->close());
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void closeStillEndsWhenTheFileTypeCannotBeStored() {
        MakeForm();
        qputenv("XDG_CONFIG_HOME", "/dev/null/config");
        form_->TrackList.push_back({"kept until shutdown", "", "", "", 0, 0});
        dialogs_->answers = {true};  // close all the same: the track is not saved
        QVERIFY(form_->close());
        QCOMPARE(dialogs_->boxes, (QStringList{"warning question: " + Message(engine::MsgUnsavedTracksExit),
                                               "error: Unable to write to /dev/null/config/Quillon.ini."}));
        QVERIFY(form_->TrackList.empty());
    }

    void missingHelpPagesAreReported() {
        MakeForm();
        form_->HelpTopicsItem->trigger();
        QCOMPARE(dialogs_->boxes.size(), 1);
        QVERIFY(dialogs_->boxes.front().startsWith("error: Error: Cannot find the help page"));
    }

    void shutdownWaitsForAWorkerBlockedOnAQuestion() {
        MakeForm();
        // The worker asks while the window is about to block in shutdown: the
        // abort must release the question, or the two would wait for each other.
        std::atomic<bool> asking{false}, answer{true}, askedAfterAbort{true};
        form_->Analysis().SetAnalysisRunner(
            [&](engine::AnalysisJob& job, engine::TrackList&, engine::WindowSeam& seam) {
                asking = true;
                answer = seam.AskYesNo("Overwrite?");
                askedAfterAbort = seam.AskYesNo("Again?");
                seam.ShowErrorBox("after abort");
                (void)job;
            });
        Analyze(WriteTwoTrackWave(*files_));
        while (!asking.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        QVERIFY(form_->close());  // no event processing between the question and the close
        QVERIFY(form_->WorkerIdleEvent.IsSignalled());
        QVERIFY(!answer.load());
        QVERIFY(!askedAfterAbort.load());
        QVERIFY(form_->TrackList.empty());
        QVERIFY(!form_->Analysis().AnalysisJob);
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
