// The Edit and Burn commands through the main window. The companion is a
// stand-in that records its arguments, found through a registry file of the test's.
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "export/window/SaveHandlers.h"
#include "handoff/window/HandOffHandlers.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"

using namespace quillon;
using test::Message;
using test::Slurp;

class EditBurnTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT

    // Two pieces 1.5 s apart: one track at the default 3 s, two at 1 s.
    void OpenTwoPieces() {
        test::Pcm pcm(16, 2);
        pcm.Loud(44100).Silent(66150).Loud(44100);
        AnalyzeAndWait(files_->Write("Side.wav", test::PcmWave(test::Format{}, pcm.bytes())));
    }
    std::string Companion(std::initializer_list<const char*> exes) {
        const std::string folder = files_->path() + "/trimora/";
        std::filesystem::create_directories(folder);
        for (const char* exe : exes)
            std::filesystem::copy_file(QUILLON_FAKE_COMPANION, folder + exe,
                                       std::filesystem::copy_options::overwrite_existing);
        form_->HandOff().RegistryFile = files_->path() + "/registry.ini";
        std::ofstream(form_->HandOff().RegistryFile)
            << "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Trimora 2.0]\n"
               "UninstallString=/bin/isuninst -f\""
            << folder << "Uninst.isu\"\n";
        return folder;
    }
    QString Launched(const std::string& folder) {
        const QString args = QString::fromStdString(folder + "args.txt");
        for (int i = 0; i < 500 && !QFile::exists(args); ++i) QTest::qWait(10);
        return QString::fromUtf8(Slurp(args));
    }

private slots:
    void init() {
        Prepare();
        QVERIFY(ShowForm());
    }
    void cleanup() { DestroyForm(); }

    void editOpensTheSavedTracksInTheCompanion() {
        OpenTwoPieces();
        const std::string folder = Companion({"TRM32.EXE"});
        files_->Write("Side.0001.wav", {1});
        form_->TrackListView->SetChecked(0, true);
        QTest::mouseClick(form_->EditButton, Qt::LeftButton);
        QCOMPARE(Launched(folder), QString::fromStdString(files_->path() + "/Side.0001.wav\n"));
        QVERIFY(dialogs_->boxes.isEmpty());
        QCOMPARE(form_->StatusText(0), Message(engine::MsgLoadingCompanion));
        QVERIFY(!form_->UiBusy.load());
    }

    // The loading text must not stay for good when there is nothing to load.
    void withNoCompanionInstalledTheStatusSaysSo() {
        OpenTwoPieces();
        form_->HandOff().RegistryFile = files_->path() + "/registry.ini";
        std::ofstream(form_->HandOff().RegistryFile) << "[SOFTWARE\\Other]\nUninstallString=/bin/true\n";
        form_->TrackListView->SetChecked(0, true);
        for (QWidget* button : {static_cast<QWidget*>(form_->EditButton), static_cast<QWidget*>(form_->BurnCDButton)}) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(form_->StatusText(0), QString("Trimora was not found."));
            QVERIFY(dialogs_->boxes.isEmpty());
            QVERIFY(!form_->UiBusy.load());
        }
    }

    void unsavedTracksAreSavedFirstOnYes() {
        Settings("[SilenceDuratuionSection]\nSilenceDuration:=1\n");
        OpenTwoPieces();
        const std::string folder = Companion({"TRM32.EXE"});
        files_->Write("Side.0001.wav", {1});  // already there: not written again
        form_->TrackListView->SetChecked(0, true);
        form_->TrackListView->SetChecked(1, true);
        dialogs_->answers = {true};
        form_->HandOff().BurnCDButtonClick();
        QCOMPARE(dialogs_->boxes, QStringList{"question: " + Message(engine::MsgUnsavedBeforeBurn)});
        const std::string f = files_->path() + "/";
        QCOMPARE(Launched(folder), QString::fromStdString("/Burn\n" + f + "Side.0001.wav\n" + f + "Side.0002.wav\n"));
        QCOMPARE(test::ReadFile(f + "Side.0001.wav"), test::Bytes{1});
        QTRY_VERIFY(!form_->UiBusy.load() && !form_->Save().SaveJob);
    }

    void unsavedTracksAreLeftOutOnNo() {
        Settings("[SilenceDuratuionSection]\nSilenceDuration:=1\n");
        OpenTwoPieces();
        const std::string folder = Companion({"TRM32.EXE"});
        files_->Write("Side.0002.wav", {1});
        form_->TrackListView->SetChecked(0, true);
        form_->TrackListView->SetChecked(1, true);
        dialogs_->answers = {false};
        form_->HandOff().EditButtonClick();
        QCOMPARE(Launched(folder), QString::fromStdString(files_->path() + "/Side.0002.wav\n"));
        QVERIFY(!std::filesystem::exists(files_->path() + "/Side.0001.wav"));
    }

    void refusals() {
        OpenTwoPieces();
        Companion({"TRM.EXE"});
        form_->EditButton->SetEnabled(true);
        form_->HandOff().EditButtonClick();  // nothing checked
        form_->TrackListView->SetChecked(0, true);
        form_->HandOff().EditButtonClick();  // only the old release
        QCOMPARE(dialogs_->boxes, (QStringList{"error: " + Message(engine::MsgCheckTrackToEdit),
                                               "error: " + Message(engine::MsgOldCompanionInstalled)}));
        form_->TrackListView->SetChecked(0, false);
        form_->BurnCDButton->SetEnabled(true);
        form_->HandOff().BurnCDButtonClick();
        QCOMPARE(dialogs_->boxes.last(), "error: " + Message(engine::MsgCheckTrackToBurn));
        QVERIFY(form_->StatusText(0).isEmpty());  // Burn clears its status; Edit keeps it
        QVERIFY(!form_->UiBusy.load());
    }
};

QTEST_MAIN(EditBurnTest)
#include "EditBurnTest.moc"
