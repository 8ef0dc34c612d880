// Saving through the main window: the whole path from the Save button to the
// files, the status texts, Abort, a shutdown while the worker waits for an
// answer or on a signal, and faults met while writing, after which the
// window goes on.
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>

#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/FileListBlock.h"
#include "app/InstanceProtocol.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "export/window/Mp3Handlers.h"
#include "export/window/SaveHandlers.h"
#include "settings/window/PreferencesHandlers.h"
#include "settings/window/preferences.h"
#include "support/FileSizeLimit.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"
#include "support/window/ScriptedDialogs.h"
#include "support/window/WindowTestEnv.h"

using namespace quillon;
using app::TMainForm;
using test::Message;

namespace {

// Dialogs whose question handler may act on the window before it answers.
class ActingDialogs final : public app::UserDialogs {
public:
    void ErrorBox(QWidget*, const QString& text) override { boxes << "error: " + text; }
    void MessageBox(QWidget*, const QString& text) override { boxes << "plain: " + text; }
    bool Question(QWidget*, const QString& text, app::QuestionIcon) override {
        boxes << "question: " + text;
        if (onQuestion) onQuestion();
        return false;
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString& fileName, const QString&, const QString&) override {
        boxes << "save dialog: " + fileName;
        return {};
    }
    QString FolderName(QWidget*, const QString&) override { return {}; }
    int Exec(QDialog&) override { return 0; }

    std::function<void()> onQuestion;
    QStringList boxes;
};

}  // namespace

class SaveTest : public QObject, protected test::FormFixture<ActingDialogs> {
    Q_OBJECT

    // Three tracks of one second, four seconds of silence between them.
    void AnalyzeThreeTracks() {
        test::Pcm pcm(16, 2);
        pcm.Loud(44100).Silent(176400).Loud(44100).Silent(176400).Loud(44100);
        const std::string path = files_->Write("Side A.wav", test::PcmWave(test::Format{}, pcm.bytes()));
        form_->FileNameEdit->setText(QString::fromStdString(path));
        form_->Analysis().analyzeButtonClick();
        QTRY_VERIFY(!form_->UiBusy.load() && form_->TrackListView->RowCount() == 3);
    }
    std::string Out(const std::string& name) const { return files_->path() + "/" + name; }
    bool Idle() const { return !form_->UiBusy.load() && !form_->SaveRunning.load(); }
    // The window after a fault: idle, its controls back, and able to save.
    void ExpectUsable() {
        QTRY_VERIFY(Idle());
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(form_->AbortButton->isHidden());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->SaveButton->Enabled());
        const QStringList before = dialogs_->boxes;
        AnalyzeThreeTracks();
        form_->TrackListView->SetChecked(1, true);
        form_->Save().SaveButtonClick();
        QTRY_VERIFY(Idle() && !form_->Save().SaveJob);
        QCOMPARE(dialogs_->boxes, before);
        QVERIFY(std::filesystem::exists(Out("Side A.0002.wav")));
    }
    bool NoPartFiles() const { return test::PartFiles(files_->path()).empty(); }

private slots:
    void init() {
        Prepare();
        QVERIFY(ShowForm());
        AnalyzeThreeTracks();
    }
    void cleanup() { DestroyForm(); }

    void savesTheCheckedTracksBesideTheSource() {
        form_->TrackListView->SetChecked(0, true);
        form_->TrackListView->SetChecked(2, true);
        QTest::mouseClick(form_->SaveButton, Qt::LeftButton);
        QVERIFY(form_->UiBusy.load());
        QVERIFY(!form_->AbortButton->isHidden());
        QVERIFY(!form_->AnalyzeButton->Enabled());
        QTRY_COMPARE(form_->StatusText(0), Message(engine::MsgProcessCompleted));
        QTRY_VERIFY(Idle());
        QVERIFY(std::filesystem::exists(Out("Side A.0001.wav")));
        QVERIFY(!std::filesystem::exists(Out("Side A.0002.wav")));
        QVERIFY(std::filesystem::exists(Out("Side A.0003.wav")));
        QCOMPARE(form_->TrackList[0].WaveSaved, uint8_t(1));
        QCOMPARE(form_->TrackList[1].WaveSaved, uint8_t(0));
        QCOMPARE(form_->TrackList[2].WaveSaved, uint8_t(1));
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(form_->AbortButton->isHidden());
        QVERIFY(form_->ProgressBar->isHidden());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(form_->SaveButton->Enabled());  // the rows are still checked
        QVERIFY(dialogs_->boxes.isEmpty());
        // Everything listed is saved now except track 2, so closing still asks.
        QVERIFY(!form_->AllTracksSaved());
    }

    // FLAC, the third "Save as" entry, at the level chosen in Preferences (a
    // stored level out of range shows the default): the files are FLAC, no
    // track counts as a saved wave for Edit and Burn, closing asks nothing
    // more, and both choices are read back.
    void flacSavesAtTheLevelOfThePreferences() {
        Settings("[FlacSection]\nCompressionLevel:=12\n");
        app::TPreferencesForm& prefs = *form_->Preferences().PreferencesForm;
        prefs.show();
        QCOMPARE(prefs.FlacLevelComboBox->currentText(), QString("5 (default)"));
        prefs.FlacLevelComboBox->setCurrentIndex(8);
        prefs.okButtonClick();
        QVERIFY(test::Slurp(env_->SettingsFile()).contains("[FlacSection]\nCompressionLevel:=8\n"));
        prefs.show();
        QCOMPARE(prefs.FlacLevelComboBox->currentIndex(), 8);
        prefs.hide();

        QCOMPARE(form_->FileTypeComboBox->itemText(2), QString("FLAC"));
        form_->FileTypeComboBox->setCurrentIndex(2);
        for (int row : {0, 1, 2}) form_->TrackListView->SetChecked(row, true);
        form_->Save().SaveButtonClick();
        QVERIFY(form_->Save().SaveJob && form_->Save().SaveJob->SaveAsFlac);
        QCOMPARE(form_->Save().SaveJob->FlacLevel, 8u);
        QTRY_COMPARE(form_->StatusText(0), Message(engine::MsgProcessCompleted));
        QTRY_VERIFY(Idle());
        QVERIFY(dialogs_->boxes.isEmpty());
        for (const char* name : {"Side A.0001.flac", "Side A.0002.flac", "Side A.0003.flac"})
            QVERIFY(std::filesystem::exists(Out(name)));
        QVERIFY(!std::filesystem::exists(Out("Side A.0001.wav")));
        for (const auto& track : form_->TrackList) QCOMPARE(track.WaveSaved, uint8_t(0));

        engine::SaveJob encoding;
        encoding.SaveAsFlac = true;
        encoding.SetMp3OutputPath("/music/Side A.0001.flac");
        form_->Mp3().ShowMp3Status(encoding);
        QCOMPARE(form_->StatusText(0), QString("Creating FLAC File : /music/Side A.0001.flac"));

        QVERIFY(form_->close());
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY(test::Slurp(env_->SettingsFile()).contains("FileType:=2"));
        DestroyForm();
        QVERIFY(ShowForm());
        QCOMPARE(form_->FileTypeComboBox->currentText(), QString("FLAC"));
    }

    void theTimerMayLetGoOfTheJobBeforeItsWorkerEnds() {
        form_->TrackListView->SetChecked(0, true);
        form_->Save().SaveButtonClick();
        const auto job = form_->Save().SaveJob;
        // No event processing: the worker's end is not handled yet when the timer sees the job finished.
        while (job->State.load() != engine::JobFinished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        form_->Save().SaveFileTimerTimer();
        QVERIFY(!form_->Save().SaveJob);
        QTRY_VERIFY(Idle());
        QVERIFY(form_->AnalyzeButton->Enabled());
    }

    void noAnalysisStartsBesideAHandOffsSave() {
        // As after Edit's "save them first?": the save runs and the window is not busy.
        form_->TrackListView->SetChecked(0, true);
        form_->TrackListView->SetChecked(1, true);
        form_->Save().SaveCheckedTracks(engine::SaveType::Wave, false, true);
        form_->UiBusy = false;
        QVERIFY(form_->SaveRunning.load());
        const std::string other = files_->Write("Other.wav", test::PcmWave(test::Format{}, test::Bytes(8000, 0)));
        engine::FileListBlock block;
        engine::FillFileListBlock(&block, {other});
        QCOMPARE(form_->WMCopyData(block.Data(), block.Size()), int(engine::AnswerBusy));
        form_->WMDropFiles({QString::fromStdString(other)});
        form_->FileNameEdit->setText(QString::fromStdString(other));
        form_->Analysis().analyzeButtonClick();
        QVERIFY(!form_->Analysis().AnalysisJob);
        // A list shown meanwhile is not the save's: its flags stay as they are.
        form_->TrackListView->clear();
        form_->FillTrackListView();
        QTRY_VERIFY(Idle());
        for (const auto& track : form_->TrackList) QCOMPARE(track.WaveSaved, uint8_t(0));
        QVERIFY(std::filesystem::exists(Out("Side A.0002.wav")));
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void nothingCheckedIsRefused() {
        form_->SaveButton->SetEnabled(true);
        form_->Save().SaveButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgCheckTrackToSave)});
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(form_->AnalyzeButton->Enabled());
    }

    void abortDuringTheQuestionStopsTheJob() {
        // Track 2's file exists; while its question is up the user presses Abort.
        files_->Write("Side A.0002.wav", {'o', 'l', 'd'});
        dialogs_->onQuestion = [this] { QTest::mouseClick(form_->AbortButton, Qt::LeftButton); };
        for (int i = 0; i < 3; ++i) form_->TrackListView->SetChecked(i, true);
        form_->Save().SaveButtonClick();
        QTRY_VERIFY(Idle());
        QCOMPARE(form_->StatusText(0), Message(engine::MsgAbortedByUser));
        QVERIFY(std::filesystem::exists(Out("Side A.0001.wav")));
        QCOMPARE(test::ReadFile(Out("Side A.0002.wav")), (test::Bytes{'o', 'l', 'd'}));
        QVERIFY(!std::filesystem::exists(Out("Side A.0003.wav")));
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(form_->AbortButton->isHidden());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QCOMPARE(dialogs_->boxes.size(), 1);  // the dialog after the abort was never shown
    }

    void aFileSizeLimitIsReportedPerTrack() {
        form_->TrackListView->SetChecked(0, true);
        form_->TrackListView->SetChecked(2, true);
        {
            const test::FileSizeLimit limit(100000);  // a track is about 530 kB
            form_->Save().SaveButtonClick();
            QTRY_VERIFY(Idle() && !form_->Save().SaveJob);
        }
        QCOMPARE(dialogs_->boxes.size(), 2);
        QVERIFY(dialogs_->boxes[0].startsWith("error: Error: Could not write the file " +
                                              QString::fromStdString(Out("Side A.0001.wav")) + " (File too large)"));
        QCOMPARE(form_->TrackList[0].WaveSaved, uint8_t(0));
        QVERIFY(!std::filesystem::exists(Out("Side A.0001.wav")));
        QVERIFY(!std::filesystem::exists(Out("Side A.0003.wav")));
        QVERIFY(NoPartFiles());
        ExpectUsable();
    }

    void theOutputFolderRemovedDuringTheSaveIsReportedOnce() {
        const QByteArray source = test::Slurp(QString::fromStdString(Out("Side A.wav")));
        const std::string moved = files_->path() + "-moved";
        for (int i = 0; i < 3; ++i) form_->TrackListView->SetChecked(i, true);
        form_->Save().SaveButtonClick();
        // The window shows each finished file for 300 ms, time enough to move the folder away.
        QTRY_VERIFY(std::filesystem::exists(Out("Side A.0001.wav")));
        std::filesystem::rename(files_->path(), moved);
        QTRY_VERIFY(Idle() && !form_->Save().SaveJob);
        std::filesystem::rename(moved, files_->path());
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgOutputFolderMissing)});
        QCOMPARE(form_->TrackList[0].WaveSaved, uint8_t(1));
        QCOMPARE(form_->TrackList[1].WaveSaved, uint8_t(0));
        QVERIFY(!std::filesystem::exists(Out("Side A.0002.wav")));
        QVERIFY(!std::filesystem::exists(Out("Side A.0003.wav")));
        QVERIFY(NoPartFiles());
        QCOMPARE(test::Slurp(QString::fromStdString(Out("Side A.wav"))), source);
        ExpectUsable();
    }

    void shutdownWhileTheWorkerWaitsForAnAnswer() {
        files_->Write("Side A.0001.wav", {'o', 'l', 'd'});
        form_->TrackListView->SetChecked(0, true);
        form_->TrackListView->SetChecked(1, true);
        form_->Save().SaveButtonClick();
        // No event processing from here: the worker's question cannot be shown.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QVERIFY(form_->close());
        QVERIFY(form_->WorkerIdleEvent.IsSignalled());
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(!std::filesystem::exists(Out("Side A.0002.wav")));
        QCOMPARE(test::ReadFile(Out("Side A.0001.wav")), (test::Bytes{'o', 'l', 'd'}));
    }

    void anEndingSignalAbortsTheSaveAndClosesWithoutAsking_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("saving");
        for (const int signal : {SIGTERM, SIGHUP}) {
            QTest::addRow("%s, saving", strsignal(signal)) << signal << true;
            QTest::addRow("%s, idle", strsignal(signal)) << signal << false;  // the tracks unsaved: closing asks
        }
    }
    void anEndingSignalAbortsTheSaveAndClosesWithoutAsking() {
        QFETCH(int, signal);
        QFETCH(bool, saving);
        if (saving) {
            for (int i = 0; i < 3; ++i) form_->TrackListView->SetChecked(i, true);
            form_->Save().SaveButtonClick();
            // The window shows each finished file for 300 ms: the signal comes then.
            QTRY_VERIFY(std::filesystem::exists(Out("Side A.0001.wav")));
        }
        QVERIFY(raise(signal) == 0);
        QTRY_VERIFY(!form_->isVisible());
        QVERIFY(form_->WorkerIdleEvent.IsSignalled());
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(!std::filesystem::exists(Out("Side A.0003.wav")));
        QVERIFY(NoPartFiles());
        QCOMPARE(dialogs_->boxes, QStringList());
    }
};

QTEST_MAIN(SaveTest)
#include "SaveTest.moc"
