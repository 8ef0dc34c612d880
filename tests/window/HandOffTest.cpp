// A real second start handing its file to the running window over the local
// socket. This process plays the first start: it holds the instance lock and
// listens; the second start is the built program, run as a child.
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include "app/ErrorCodes.h"
#include "app/InstanceChannel.h"
#include "app/MainForm.h"
#include "app/TrackListView.h"
#include "platform/SingleInstance.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWave.h"
#include "support/WindowTestEnv.h"

using namespace quillon;

class HandOffTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::WindowTestEnv> env_;
    std::unique_ptr<test::TempDir> files_;
    std::unique_ptr<test::ScriptedDialogs> dialogs_;
    std::unique_ptr<platform::InstanceLock> lock_;
    app::TMainForm* form_ = nullptr;
    QString messageLog_;

    std::string WriteWave(const std::string& name) {
        test::Pcm pcm(16, 1);
        pcm.Loud(44100).Silent(176400).Loud(44100);
        return files_->Write(name, test::PcmWave(test::Format{1, 1, 44100, 16}, pcm.bytes()));
    }

    // Runs the program as a second start and waits for it to end, serving
    // the window meanwhile.
    void SecondStart(const QStringList& arguments) {
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUILLON_TEST_MESSAGE_LOG", messageLog_);
        second.setProcessEnvironment(environment);
        second.start(qEnvironmentVariable("QUILLON_APP"), arguments);
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
    }

    QString Messages() const {
        QFile log(messageLog_);
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

private slots:
    void init() {
        env_ = std::make_unique<test::WindowTestEnv>();
        files_ = std::make_unique<test::TempDir>();
        dialogs_ = std::make_unique<test::ScriptedDialogs>();
        messageLog_ = QString::fromStdString(files_->path()) + "/messages.log";
        lock_ = std::make_unique<platform::InstanceLock>();
        QVERIFY(lock_->TryAcquire(env_->RuntimeFolder().toStdString()));
        form_ = new app::TMainForm({}, *dialogs_);
        auto* server = new app::InstanceServer(
            *form_, QString::fromStdString(platform::InstanceSocketPath(env_->RuntimeFolder().toStdString())));
        QVERIFY(server->Listen());
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_));
    }
    void cleanup() {
        delete form_;
        form_ = nullptr;
        lock_.reset();
    }

    void idleWindowOpensTheFile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("wav") << "Side B.wav";
        QTest::newRow("capital extension") << "Side B.WAV";
    }
    void idleWindowOpensTheFile() {
        QFETCH(QString, name);
        const std::string path = WriteWave(name.toStdString());
        SecondStart({QString::fromStdString(path), "/ignored/second.wav"});
        QTRY_COMPARE(form_->TrackListView->RowCount(), 2);
        QCOMPARE(form_->FileNameEdit->text().toStdString(), path);
        QVERIFY(Messages().isEmpty());
        QVERIFY(dialogs_->boxes.isEmpty());
    }

    void busyWindowAnswersNoAndTheSecondStartSaysSo() {
        const std::string path = WriteWave("Side C.wav");
        form_->UiBusy = true;  // as while the Preferences dialog is open
        SecondStart({QString::fromStdString(path)});
        const QString busy = QString::fromStdString(
            engine::FormatText(engine::MessageText(engine::MsgProgramBusy), {"Quillon", "Quillon"}));
        QCOMPARE(Messages(), "plain: " + busy + "\x1e");
        form_->UiBusy = false;
        QTest::qWait(100);
        QVERIFY(form_->FileNameEdit->text().isEmpty());
        QVERIFY(!form_->AnalysisJob);
    }

    void anotherTypeIsReportedByTheWindow() {
        const std::string path = files_->Write("song.mp3", {0xFF, 0xFB});
        SecondStart({QString::fromStdString(path)});
        const QString expected = "error: " + QString::fromStdString(engine::MessageText(engine::MsgTheFilePrefix)) +
                                 QString::fromStdString(path) +
                                 QString::fromStdString(engine::MessageText(engine::MsgDoesNotExistSuffix));
        QTRY_COMPARE(dialogs_->boxes, QStringList{expected});
        QVERIFY(Messages().isEmpty());
    }

    void noArgumentOnlyRaisesTheWindow() {
        SecondStart({});
        QTest::qWait(100);
        QVERIFY(Messages().isEmpty());
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY(form_->FileNameEdit->text().isEmpty());
    }

    void noRunningWindowEndsQuietly() {
        delete form_;  // the lock stays held, but nobody listens
        form_ = nullptr;
        SecondStart({QString::fromStdString(WriteWave("Side D.wav"))});
        QVERIFY(Messages().isEmpty());
    }
};

QTEST_MAIN(HandOffTest)
#include "HandOffTest.moc"
