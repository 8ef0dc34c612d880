// A real second start handing its file to the running window over the local
// socket. This process plays the first start: it holds the instance lock and
// listens; the second start is the built program, run as a child.
#include <QComboBox>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/FileListBlock.h"
#include "app/InstanceProtocol.h"
#include "app/window/InstanceChannel.h"
#include "app/window/MainForm.h"
#include "app/window/TrackListView.h"
#include "platform/SingleInstance.h"
#include "support/TestWave.h"
#include "support/window/ScriptedDialogs.h"
#include "support/window/WindowTestEnv.h"

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
        second.start(QUILLON_TEST_START, QStringList{messageLog_} + arguments);
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
    }

    QString SocketPath() const {
        return QString::fromStdString(platform::InstanceSocketPath(env_->RuntimeFolder().toStdString()));
    }

    // A peer on the window's socket, connected and past the greeting.
    void Connect(QLocalSocket& peer) {
        peer.connectToServer(SocketPath());
        QVERIFY(peer.waitForConnected(2000));
        QTRY_VERIFY(peer.bytesAvailable() > 0);
        peer.readAll();
    }

    static QByteArray OpenRequest(const std::string& path) {
        engine::FileListBlock block;
        engine::FillFileListBlock(&block, {path});
        return QByteArray(1, 'F') + QByteArray(reinterpret_cast<const char*>(block.Data()), qsizetype(block.Size()));
    }

    // The window is idle and takes a real second start's file.
    void ExpectServing() {
        const std::string path = WriteWave("After.wav");
        SecondStart({QString::fromStdString(path)});
        QTRY_COMPARE(form_->FileNameEdit->text().toStdString(), path);
        QTRY_COMPARE(form_->TrackListView->RowCount(), 2);
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
        QVERIFY(!form_->Analysis().AnalysisJob);
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

    // What a broken or hostile peer sends; the window opens nothing for it,
    // shows nothing, and goes on serving.
    void garbageOnTheSocketIsHarmless_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("hangUp");
        QTest::newRow("short block, then gone") << QByteArray("F") + QByteArray(1000, 'a') << true;
        QTest::newRow("short block, peer stays") << QByteArray("F") + QByteArray(1000, 'a') << false;
        QTest::newRow("unknown request") << QByteArray("X") + OpenRequest("/tmp/x.wav") << false;
        QTest::newRow("nothing at all") << QByteArray() << false;
        QTest::newRow("only raises") << QByteArray(5000, 'R') << true;
    }
    void garbageOnTheSocketIsHarmless() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, hangUp);
        QLocalSocket peer;
        Connect(peer);
        peer.write(bytes);
        peer.waitForBytesWritten(2000);
        if (hangUp) peer.disconnectFromServer();
        QTest::qWait(200);
        QVERIFY(form_->FileNameEdit->text().isEmpty());
        QVERIFY(dialogs_->boxes.isEmpty());
        ExpectServing();  // with the peer still connected, if it stayed
    }

    void anOversizedBlockIsTakenOnceAndTheRestDropsTheConnection() {
        const std::string path = WriteWave("Side E.wav");
        QLocalSocket peer;
        Connect(peer);
        peer.write(OpenRequest(path) + QByteArray(70000, 'Z'));
        QTRY_VERIFY(peer.bytesAvailable() > 0 || peer.state() != QLocalSocket::ConnectedState);
        QCOMPARE(peer.read(1), QByteArray(1, char(engine::AnswerAccepted)));
        QTRY_COMPARE(peer.state(), QLocalSocket::UnconnectedState);
        QTRY_COMPARE(form_->TrackListView->RowCount(), 2);
        QCOMPARE(form_->FileNameEdit->text().toStdString(), path);
        QVERIFY(dialogs_->boxes.isEmpty());
        ExpectServing();
    }

    // The second start's side: a listener that is not the window, or one that
    // hangs up before it answers.
    void aWrongListenerIsLeftAlone_data() {
        QTest::addColumn<QByteArray>("greeting");
        QTest::addColumn<bool>("saysBusy");
        QTest::newRow("silent") << QByteArray() << false;
        QTest::newRow("another program") << QByteArray("TOtherForm\nCorvane Quillon\n") << false;
        QTest::newRow("hangs up before answering") << QByteArray("TMainForm\nCorvane Quillon\n") << true;
    }
    void aWrongListenerIsLeftAlone() {
        QFETCH(QByteArray, greeting);
        QFETCH(bool, saysBusy);
        delete form_;  // its listener goes; this one takes the socket
        form_ = nullptr;
        QLocalServer fake;
        QLocalServer::removeServer(SocketPath());
        QVERIFY(fake.listen(SocketPath()));
        QByteArray received;
        connect(&fake, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* s = fake.nextPendingConnection();
            s->write(greeting);
            connect(s, &QLocalSocket::readyRead, s, [&received, s] {
                received += s->readAll();
                if (received.size() >= 1 + qsizetype(engine::kFileListBlockBytes)) s->abort();
            });
        });
        SecondStart({QString::fromStdString(WriteWave("Side F.wav"))});
        const QString busy = QString::fromStdString(
            engine::FormatText(engine::MessageText(engine::MsgProgramBusy), {"Quillon", "Quillon"}));
        QCOMPARE(Messages(), saysBusy ? "plain: " + busy + "\x1e" : QString());
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
