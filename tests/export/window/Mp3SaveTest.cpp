// MP3 saves through the main window: the readiness check, the settings dialog
// the first time, the stored choice afterwards, and both routes. The LAME shim
// is not beside the test program, so LAME starts out absent; the last cases
// load it from the build.
#include <QtTest/qtestspontaneevent.h>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/WaveToMP3.h"
#include "export/window/CodecMessageUnit.h"
#include "export/window/Mp3Handlers.h"
#include "export/window/SaveAsMp3.h"
#include "export/window/SaveHandlers.h"
#include "platform/Cores.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"
#include "support/window/ScriptedDialogs.h"
#include "support/window/WindowTestEnv.h"

using namespace quillon;
using app::TMainForm;
using test::Message;

class Mp3SaveTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT
    QStringList offeredCodecs_;

    void Open(uint32_t rate) {
        test::Pcm pcm(16, 2);
        for (int i = 0; i < 40; ++i) pcm.Level(rate / 80, i % 2 ? 4000 : -4000);
        pcm.Silent(rate * 4);
        for (int i = 0; i < 40; ++i) pcm.Level(rate / 80, i % 2 ? 4000 : -4000);
        const std::string path = files_->Write("Side.wav", test::PcmWave(test::Format{1, 2, rate, 16}, pcm.bytes()));
        form_->FileNameEdit->setText(QString::fromStdString(path));
        form_->Analysis().analyzeButtonClick();
        QTRY_VERIFY(!form_->UiBusy.load() && form_->TrackListView->RowCount() == 2);
        form_->TrackListView->SetChecked(0, true);
        form_->FileTypeComboBox->setCurrentIndex(1);
    }
    // count tracks of seconds of sound each, four seconds of silence between them.
    void OpenTracks(int count, uint32_t seconds) {
        test::Pcm pcm(16, 2);
        for (int t = 0; t < count; ++t) {
            if (t > 0) pcm.Silent(44100 * 4);
            for (uint32_t i = 0; i < seconds * 80; ++i) pcm.Level(44100 / 80, i % 2 ? 4000 : -4000);
        }
        const std::string path = files_->Write("Side.wav", test::PcmWave(test::Format{}, pcm.bytes()));
        form_->FileNameEdit->setText(QString::fromStdString(path));
        form_->Analysis().analyzeButtonClick();
        QTRY_VERIFY(!form_->UiBusy.load() && form_->TrackListView->RowCount() == count);
        form_->FileTypeComboBox->setCurrentIndex(1);
    }
    // The settings dialog, answered with codec and rate (Cancel when codec is empty).
    void AnswerSettings(const QString& codec, const QString& rate) {
        dialogs_->onExec = [this, codec, rate](QDialog& dialog) {
            auto* settings = qobject_cast<app::TSaveAsMP3Form*>(&dialog);
            if (!settings) return int(QDialog::Rejected);
            settings->FormShow();
            offeredCodecs_.clear();
            for (int i = 0; i < settings->CodecComboBox->count(); ++i)
                offeredCodecs_ << settings->CodecComboBox->itemText(i);
            if (codec.isEmpty()) return int(QDialog::Rejected);
            settings->CodecComboBox->setCurrentText(codec);
            settings->BitRateComboBox->setCurrentText(rate);
            settings->OkButtonClick();
            return settings->result();
        };
    }
    void StoreChoice(const std::string& codec, int rate) {
        std::ofstream(env_->SettingsFile().toStdString())
            << "[ProgramSection]\nIsRunningFirstTime:=0\n[MP3FormatSection]\nCodecName:=" << codec
            << "\nBitRate:=" << rate << "\n";
    }
    std::string Out(const std::string& name) const { return files_->path() + "/" + name; }
    void SaveAndWait() {
        form_->Save().SaveButtonClick();
        QTRY_VERIFY_WITH_TIMEOUT(!form_->UiBusy.load() && !form_->SaveRunning.load() && !form_->Save().SaveJob, 20000);
    }

private slots:
    void initTestCase() { engine::SetLameLibraryCandidates({"/no/such/folder/liblame_enc.so"}); }
    void init() {
        Prepare();
        QVERIFY(ShowForm());
    }
    void cleanup() { DestroyForm(); }

    void firstMp3SaveAsksAndUsesTheConverter() {
        QVERIFY(!form_->Mp3().LameAvailable);
        Open(44100);
        AnswerSettings(engine::kAcmCodecName, "128");
        SaveAndWait();
        QCOMPARE(offeredCodecs_, QStringList{engine::kAcmCodecName});
        QCOMPARE(form_->StatusText(0), QString::fromStdString(engine::MessageText(engine::MsgProcessCompleted)));
        QVERIFY(std::filesystem::exists(Out("Side.0001.MP3")));
        QVERIFY(!std::filesystem::exists(Out("Side.0001.wav")));
        QCOMPARE(form_->TrackList[0].WaveSaved, uint8_t(0));
        QFile ini(env_->SettingsFile());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY(text.contains("IsRunningFirstTime:=0"));
        QVERIFY(text.contains("CodecName:=Windows ACM Default"));
        QVERIFY(text.contains("BitRate:=128"));
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void aSourceNoEncoderTakesIsRefused() {
        Open(96000);
        form_->Save().SaveButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"plain: " + QString::fromStdString(engine::MessageText(
                                                              engine::MsgCodecCannotUseSourceFormat))});
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(!form_->UiBusy.load());
    }

    void cancelledSettingsSaveNothing() {
        Open(44100);
        AnswerSettings("", "");
        form_->Save().SaveButtonClick();
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(!form_->UiBusy.load());
        QVERIFY(form_->AnalyzeButton->Enabled());
        QVERIFY(!std::filesystem::exists(Out("Side.0001.MP3")));
        QVERIFY(!std::filesystem::exists(Out("Side.0001.wav")));
    }

    void storedLameWithoutLameFallsBackToTheConverter() {
        StoreChoice("LAME Encoder", 128);
        Open(44100);
        SaveAndWait();
        QCOMPARE(form_->Mp3().CurrentCodecName, std::string(engine::kAcmCodecName));
        QVERIFY(std::filesystem::exists(Out("Side.0001.MP3")));
    }

    void withLameItIsOfferedFirstAndUsed() {
        QVERIFY(engine::LoadLameLibraryFrom({QUILLON_LAME_SHIM}));
        form_->Mp3().LameAvailable = true;
        Open(44100);
        AnswerSettings(engine::kLameCodecName, "192");
        SaveAndWait();
        QCOMPARE(offeredCodecs_, (QStringList{engine::kLameCodecName, engine::kAcmCodecName}));
        QVERIFY(std::filesystem::exists(Out("Side.0001.MP3")));
        QVERIFY(!std::filesystem::exists(Out("Side.0001.wav")));
    }

    void aStoredRateTheSourceCannotTakeAsksAgain() {
        form_->Mp3().LameAvailable = engine::LoadLameLibraryFrom({QUILLON_LAME_SHIM});
        StoreChoice("LAME Encoder", 320);
        Open(22050);
        AnswerSettings(engine::kLameCodecName, "160");
        SaveAndWait();
        QVERIFY(!offeredCodecs_.isEmpty());
        QCOMPARE(form_->Mp3().CurrentBitRate, uint16_t(160));
        QVERIFY(std::filesystem::exists(Out("Side.0001.MP3")));
    }

    // Four tracks of eight seconds with LAME: their conversions run side by
    // side. The status names the conversion that began first among those
    // still running, so the names shown only ever move on, track by track,
    // and the bar stays a percentage.
    void theStatusShowsTheFirstRunningConversion() {
        QVERIFY(engine::LoadLameLibraryFrom({QUILLON_LAME_SHIM}));
        form_->Mp3().LameAvailable = true;
        OpenTracks(4, 8);
        StoreChoice("LAME Encoder", 192);
        for (int i = 0; i < 4; ++i) form_->TrackListView->SetChecked(i, true);
        form_->Save().SaveButtonClick();
        const QString creating = QString::fromStdString(engine::MessageText(engine::MsgCreatingMp3));
        QStringList shown;
        int last = 0;
        while (form_->SaveRunning.load() || form_->Save().SaveJob) {
            const QString status = form_->StatusText(0);
            if (status.startsWith(creating) && (shown.isEmpty() || shown.back() != status)) shown << status;
            QVERIFY(form_->ProgressBar->value() >= 0 && form_->ProgressBar->value() <= 100);
            QTest::qWait(5);
            QVERIFY(++last < 6000);
        }
        QCOMPARE(form_->StatusText(0), QString::fromStdString(engine::MessageText(engine::MsgProcessCompleted)));
        QVERIFY2(shown.size() >= 2, qPrintable(shown.join(" | ")));  // it moved on as conversions ended
        int previous = 0;
        for (const QString& status : shown) {
            const int track = status.mid(status.lastIndexOf('.') - 4, 4).toInt();
            QVERIFY2(track >= previous, qPrintable(shown.join(" | ")));
            previous = track;
        }
        for (int i = 1; i <= 4; ++i) {
            QVERIFY(std::filesystem::exists(Out("Side.000" + std::to_string(i) + ".MP3")));
            QVERIFY(!std::filesystem::exists(Out("Side.000" + std::to_string(i) + ".wav")));
        }
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    // Abort while two conversions run: both stop, and neither their MP3 files
    // nor their waves are left.
    void abortStopsEveryRunningConversion() {
        if (platform::UsableCores() < 2) QSKIP("one core: one conversion at a time");
        QVERIFY(engine::LoadLameLibraryFrom({QUILLON_LAME_SHIM}));
        form_->Mp3().LameAvailable = true;
        OpenTracks(4, 60);
        StoreChoice("LAME Encoder", 192);
        for (int i = 0; i < 4; ++i) form_->TrackListView->SetChecked(i, true);
        form_->Save().SaveButtonClick();
        QTRY_VERIFY_WITH_TIMEOUT(form_->Save().SaveJob && form_->Save().SaveJob->Conversions.Running() >= 2, 20000);
        QTest::mouseClick(form_->AbortButton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form_->UiBusy.load() && !form_->SaveRunning.load(), 20000);
        QVERIFY(!form_->Save().SaveJob);
        QVERIFY(form_->AbortButton->isHidden());
        for (const auto& entry : std::filesystem::directory_iterator(files_->path())) {
            const std::string name = entry.path().filename().string();
            QVERIFY2(name == "Side.wav" || name == "Quillon.ini" || entry.is_directory(), name.c_str());
        }
        QVERIFY(test::PartFiles(files_->path()).empty());
    }

    void comingBackFromMinimisedKeepsTheChoice() {
        Open(44100);
        app::TSaveAsMP3Form& dialog = *form_->Mp3().SaveAsMP3Form;
        dialog.show();
        QVERIFY(dialog.BitRateComboBox->count() > 1);
        dialog.BitRateComboBox->setCurrentIndex(1);
        QShowEvent restored;
        QSpontaneKeyEvent::setSpontaneous(&restored);  // as the window system sends it
        static_cast<QObject*>(&dialog)->event(&restored);
        QCOMPARE(dialog.BitRateComboBox->currentIndex(), 1);
        dialog.hide();
    }

    void noRateToChooseMeansNoOk() {
        // 96 kHz: no MPEG layer III rate at all, for either route.
        test::Pcm pcm(16, 2);
        pcm.Loud(9600);
        const std::string path = files_->Write("hi.wav", test::PcmWave(test::Format{1, 2, 96000, 16}, pcm.bytes()));
        form_->FileNameEdit->setText(QString::fromStdString(path));
        form_->Mp3().SaveAsMP3Form->FormShow();
        QCOMPARE(form_->Mp3().SaveAsMP3Form->BitRateComboBox->count(), 0);
        QVERIFY(!form_->Mp3().SaveAsMP3Form->OkButton->isEnabled());
    }
};

QTEST_MAIN(Mp3SaveTest)
#include "Mp3SaveTest.moc"
