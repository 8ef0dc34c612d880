// The Preferences dialog through the main window. The LAME shim is loaded
// from the build.
#include <QtTest/qtestspontaneevent.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QToolButton>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <thread>

#include "analysis/WaveRead.h"
#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "export/mp3/Lame_dll.h"
#include "settings/window/PreferencesHandlers.h"
#include "settings/window/preferences.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"
#include "support/window/ScriptedDialogs.h"
#include "support/window/WindowTestEnv.h"

using namespace quillon;
using app::TMainForm;
using app::TPreferencesForm;
using test::Message;
using test::Slurp;

class PreferencesTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT
    TPreferencesForm* prefs_ = nullptr;

    void Show() {
        prefs_->show();
        QVERIFY(QTest::qWaitForWindowExposed(prefs_));
    }
    // Two pieces 1.5 s apart: one track at the default 3 s, two at 1 s.
    void OpenTwoPieces() {
        test::Pcm pcm(16, 2);
        pcm.Loud(44100).Silent(66150).Loud(44100);
        AnalyzeAndWait(files_->Write("Side.wav", test::PcmWave(test::Format{}, pcm.bytes())));
    }
private slots:
    void initTestCase() { engine::SetLameLibraryCandidates({QUILLON_LAME_SHIM}); }
    void init() {
        Prepare();
        QVERIFY(ShowForm());
        prefs_ = form_->Preferences().PreferencesForm;
    }
    void cleanup() {
        DestroyForm();
        engine::SetWideFormats(false);  // the setting is the whole process's
    }

    void storedValuesAreShownCorrectedAndWrittenOnlyOnOk() {
        Settings(
            "[SilenceAmplitudeSection]\nSilenceAmplitude:=500\n[MP3FormatSection]\nCodecName:=lame "
            "encoder\nBitRate:=192\n");
        Show();
        QCOMPARE(prefs_->SilenceAmpEdit->text(), QString("100"));
        QCOMPARE(prefs_->SilenceDurationEdit->text(), QString("3"));
        QCOMPARE(prefs_->PreViewEdit->text(), QString("5"));
        QCOMPARE(prefs_->preferencesCodecComboBox->currentText(), QString("LAME Encoder"));  // stored in lower case
        QCOMPARE(prefs_->preferencesBitRateComboBox->currentText(), QString("192"));
        QVERIFY(prefs_->outPutFilePathRadioButton1->isChecked());
        QVERIFY(!prefs_->outPutFilePathEdit->isEnabled());
        QVERIFY(!prefs_->ApplyButton->isEnabled());
        QVERIFY(Slurp(env_->SettingsFile()).contains("SilenceAmplitude:=500"));
        prefs_->okButtonClick();
        QVERIFY(!prefs_->isVisible());
        const QByteArray text = Slurp(env_->SettingsFile());
        QVERIFY(text.contains("SilenceAmplitude:=100"));
        QVERIFY(text.contains("SameAsSourceFile:=1"));
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void storedNumbersAboveTheRangeAreClampedNotCut_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("written");
        QTest::newRow("preview 150") << "[PreViewSection]\nPreViewEndTime=150\n" << 2 << "PreViewEndTime=99";
        QTest::newRow("preview 500") << "[PreViewSection]\nPreViewEndTime=500\n" << 2 << "PreViewEndTime=99";
        QTest::newRow("amplitude 1000") << "[SilenceAmplitudeSection]\nSilenceAmplitude:=1000\n"
                                        << 0 << "SilenceAmplitude:=100";
        QTest::newRow("duration 2500") << "[SilenceDuratuionSection]\nSilenceDuration:=2500\n"
                                       << 1 << "SilenceDuration:=100";
    }
    void storedNumbersAboveTheRangeAreClampedNotCut() {
        QFETCH(QString, stored);
        QFETCH(int, field);
        QFETCH(QString, written);
        Settings(stored.toStdString());
        Show();
        QLineEdit* edits[] = {prefs_->SilenceAmpEdit, prefs_->SilenceDurationEdit, prefs_->PreViewEdit};
        QCOMPARE(edits[field]->text(), written.section('=', 1));
        prefs_->okButtonClick();
        QVERIFY(Slurp(env_->SettingsFile()).contains(written.toUtf8()));
    }

    void theFolderChoiceFollowsTheFileAtEveryShowing() {
        Show();
        QVERIFY(prefs_->outPutFilePathRadioButton1->isChecked());
        prefs_->hide();
        Settings("[OutputFilePathSection]\nSameAsSourceFile:=0\nOutputFilePath=" + files_->path() + "\n");
        Show();
        QVERIFY(prefs_->outPutFilePathRadioButton2->isChecked());
        QVERIFY(prefs_->outPutFilePathEdit->isEnabled());
        prefs_->okButtonClick();
        QVERIFY(Slurp(env_->SettingsFile()).contains("SameAsSourceFile:=0"));
    }

    void comingBackFromMinimisedKeepsWhatWasTyped() {
        Show();
        prefs_->SilenceAmpEdit->setText("42");
        QShowEvent restored;
        QSpontaneKeyEvent::setSpontaneous(&restored);  // as the window system sends it
        static_cast<QObject*>(prefs_)->event(&restored);
        QCOMPARE(prefs_->SilenceAmpEdit->text(), QString("42"));
        QVERIFY(prefs_->ApplyButton->isEnabled());
    }

    void numberFieldsCorrectThemselves_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("value");
        QTest::newRow("empty amplitude") << 0 << ""
                                         << "1" << 1;
        QTest::newRow("duration 150") << 1 << "150"
                                      << "100" << 100;
        QTest::newRow("preview 0") << 2 << "0"
                                   << "1" << 1;
        QTest::newRow("leading blank") << 0 << " 7"
                                       << " 7" << 7;
    }
    void numberFieldsCorrectThemselves() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, value);
        Show();
        QLineEdit* edits[] = {prefs_->SilenceAmpEdit, prefs_->SilenceDurationEdit, prefs_->PreViewEdit};
        int* values[] = {&prefs_->SilenceAmplitudeValue, &prefs_->SilenceDurationValue, &prefs_->PreviewSeconds};
        edits[field]->setText(typed);
        QCOMPARE(edits[field]->text(), shown);
        QCOMPARE(*values[field], value);
        QVERIFY(prefs_->ApplyButton->isEnabled());
        for (int other = 0; other < 3; ++other) {
            if (other != field) QCOMPARE(edits[other]->text(), QStringList({"10", "3", "5"})[other]);
        }
    }

    void aNonNumberIsReportedAndKept() {
        Show();
        prefs_->SilenceAmpEdit->setText("1x");
        QCOMPARE(dialogs_->boxes, QStringList{"error: Error: Invalid Silence Amplitude. Either it is a non number or "
                                              "exceeding limit."});
        QCOMPARE(prefs_->SilenceAmpEdit->text(), QString("1x"));
        QCOMPARE(prefs_->SilenceAmplitudeValue, 10);
        prefs_->okButtonClick();
        QCOMPARE(dialogs_->boxes.last(), QString("error: Silence Amplitude must be a number."));
        QVERIFY(prefs_->isVisible());
    }

    void spinButtonsKeepTheirBounds() {
        Settings(
            "[SilenceAmplitudeSection]\nSilenceAmplitude:=9\n[SilenceDuratuionSection]\nSilenceDuration:=1\n"
            "[PreViewSection]\nPreViewEndTime=98\n");
        Show();
        prefs_->SilenceAmplitudeSpinButton->Up->click();
        QCOMPARE(prefs_->SilenceAmpEdit->text(), QString("10"));
        prefs_->SilenceAmpEdit->setText("5");
        prefs_->SilenceAmplitudeSpinButton->Up->click();
        QCOMPARE(prefs_->SilenceAmpEdit->text(), QString(" 6"));
        QCOMPARE(prefs_->SilenceAmplitudeValue, 6);
        prefs_->SilenceAmpEdit->setText("100");
        prefs_->SilenceAmplitudeSpinButton->Up->click();
        QCOMPARE(prefs_->SilenceAmplitudeValue, 100);
        prefs_->SilenceDurationSpinButton->Down->click();
        QCOMPARE(prefs_->SilenceDurationValue, 1);
        QCOMPARE(prefs_->SilenceDurationEdit->text(), QString("1"));  // unchanged: not rewritten
        prefs_->previewspinButton->Up->click();
        prefs_->previewspinButton->Up->click();
        QCOMPARE(prefs_->PreViewEdit->text(), QString("99"));
        QVERIFY(prefs_->previewspinButton->Up->autoRepeat());
        QCOMPARE(prefs_->previewspinButton->Up->autoRepeatDelay(), 400);
        QCOMPARE(prefs_->previewspinButton->Up->autoRepeatInterval(), 100);
    }

    void resetThenCancelLeavesTheFileAlone() {
        Settings("[SilenceAmplitudeSection]\nSilenceAmplitude:=44\n");
        const QByteArray before = Slurp(env_->SettingsFile());
        Show();
        prefs_->ResetButtonClick();
        QCOMPARE(prefs_->SilenceAmpEdit->text(), QString("10"));
        prefs_->CancelButton->click();
        QVERIFY(!prefs_->isVisible());
        QCOMPARE(Slurp(env_->SettingsFile()), before);
    }

    void aMissingFolderIsRefusedAfterTheCodec() {
        Show();
        prefs_->outPutFilePathRadioButton2->setChecked(true);
        prefs_->outPutFilePathEdit->setText(QString::fromStdString(files_->path() + "/gone"));
        prefs_->SilenceAmpEdit->setText("55");
        prefs_->ApplyButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + Message(engine::MsgInvalidOutputLocation)});
        QVERIFY(!prefs_->ApplyButton->isEnabled());
        const QByteArray text = Slurp(env_->SettingsFile());
        QVERIFY(text.contains("CodecName:=LAME Encoder"));
        QVERIFY(text.contains("BitRate:="));
        QVERIFY(!text.contains("SilenceAmplitude:"));
        QVERIFY(!text.contains("OutputFilePath"));
    }

    // The settings file could not keep the name, though the folder exists.
    void aFolderNameWithALineBreakIsRefused() {
        const std::string folder = files_->path() + "/Side\nA";
        QVERIFY(std::filesystem::create_directory(folder));
        Show();
        prefs_->outPutFilePathRadioButton2->setChecked(true);
        prefs_->outPutFilePathEdit->setText(QString::fromStdString(folder));
        prefs_->okButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"error: " + QString(engine::text::kFolderNameHasLineBreak)});
        QVERIFY(prefs_->isVisible());
        QVERIFY(!Slurp(env_->SettingsFile()).contains("OutputFilePath"));
    }

    void anUnwritableSettingsFolderIsReportedAndTheDialogKeepsItsValues() {
        // Running as root, permissions would not stop a write; a file where the folder should be does.
        const std::string notAFolder = files_->Write("config", {'x'});
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(notAFolder));
        Show();
        prefs_->SilenceAmpEdit->setText("55");
        prefs_->okButtonClick();
        QCOMPARE(dialogs_->boxes,
                 QStringList{"error: Unable to write to " + QString::fromStdString(notAFolder) + "/Quillon.ini."});
        QVERIFY(prefs_->isVisible());
        QCOMPARE(prefs_->SilenceAmpEdit->text(), QString("55"));
        prefs_->CancelButton->click();
        QVERIFY(!prefs_->isVisible());
        OpenTwoPieces();  // the window goes on with the settings it has
        QCOMPARE(form_->TrackListView->RowCount(), 1);
        QCOMPARE(test::ReadFile(notAFolder), (test::Bytes{'x'}));
    }

    void wideFormatsAreStoredAndTurnedOnNowAndAtTheNextStart() {
        Show();
        QCOMPARE(prefs_->WideFormatsCheckBox->text(), QString("Open 24-bit, 32-bit and floating-point recordings"));
        QVERIFY(!prefs_->WideFormatsCheckBox->isChecked());
        prefs_->WideFormatsCheckBox->click();
        QVERIFY(prefs_->ApplyButton->isEnabled());
        QVERIFY(!engine::WideFormatsOn());
        prefs_->okButtonClick();
        QVERIFY(Slurp(env_->SettingsFile()).contains("[WaveFormatSection]\nWideFormats:=1\n"));
        QVERIFY(engine::WideFormatsOn());

        engine::SetWideFormats(false);
        DestroyForm();
        QVERIFY(ShowForm());
        QVERIFY(engine::WideFormatsOn());
    }

    void mp3TagsAreOffUntilCheckedThenStored() {
        Show();
        QCOMPARE(prefs_->Mp3TagsCheckBox->text(), QString("Write tags into MP3 files"));
        QVERIFY(!prefs_->Mp3TagsCheckBox->isChecked());
        prefs_->Mp3TagsCheckBox->click();
        QVERIFY(prefs_->ApplyButton->isEnabled());
        prefs_->okButtonClick();
        QVERIFY(Slurp(env_->SettingsFile()).contains("[Mp3TagSection]\nWriteTags:=1\n"));
        Show();
        QVERIFY(prefs_->Mp3TagsCheckBox->isChecked());
    }

    void settingsTakeEffectAtTheNextAnalysis() {
        OpenTwoPieces();
        QCOMPARE(form_->TrackListView->RowCount(), 1);
        dialogs_->onExec = [this](QDialog& dialog) {
            auto& prefs = static_cast<TPreferencesForm&>(dialog);
            prefs.FormShow();
            prefs.SilenceDurationEdit->setText("1");
            prefs.okButtonClick();
            return prefs.result();
        };
        form_->PreferencesMenuItem->trigger();
        QVERIFY(!form_->UiBusy.load());
        form_->Analysis().analyzeButtonClick();
        QTRY_VERIFY(!form_->UiBusy.load() && !form_->Analysis().AnalysisJob);
        QCOMPARE(form_->TrackListView->RowCount(), 2);
    }
};

QTEST_MAIN(PreferencesTest)
#include "PreferencesTest.moc"
