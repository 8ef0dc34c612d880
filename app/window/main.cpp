// Program entry: the first start shows the main window and opens the file
// named on its command line; a later start hands its file to the running
// window and ends.
#include <QApplication>
#include <QFile>
#include <QIcon>

#include <cstdlib>

#include "app/Util.h"
#include "app/window/InstanceChannel.h"
#include "app/window/MainForm.h"
#include "app/window/UserDialogs.h"
#include "export/mp3/ConverterLibrary.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "platform/FileOps.h"
#include "platform/SingleInstance.h"

namespace {

// The second start's messages appended to a file instead of shown. Only the
// tests' second processes use it (QUILLON_TEST_MESSAGE_LOG): nobody is there
// to dismiss a box.
class MessageLogDialogs final : public quillon::app::UserDialogs {
public:
    explicit MessageLogDialogs(QString path) : path_(std::move(path)) {}
    void ErrorBox(QWidget*, const QString& text) override { Append("error: " + text); }
    void MessageBox(QWidget*, const QString& text) override { Append("plain: " + text); }
    bool Question(QWidget*, const QString& text, quillon::app::QuestionIcon) override {
        Append("question: " + text);
        return false;
    }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString FolderName(QWidget*, const QString&) override { return {}; }
    int Exec(QDialog&) override { return 0; }

private:
    void Append(const QString& line) {
        QFile file(path_);
        if (file.open(QIODevice::Append)) file.write((line + "\x1e").toUtf8());
    }
    QString path_;
};

}  // namespace

int main(int argc, char** argv) {
    quillon::platform::ReportFileSizeLimitAsWriteError();
    // The window links the converter library when it loads.
    quillon::engine::UseConverter({&IsValidMP3CodecFound, &IsBitrateSupported, &ConvertWaveFileToMp3,
                                   &GetStatusWavToMP3, &StopConversionWavToMP3});
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    QApplication::setWindowIcon(
        QIcon(QString::fromStdString(quillon::engine::DataFolder("artwork")) + "quillon-64.png"));

    std::vector<std::string> arguments;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());

    const std::string runtime = quillon::platform::RuntimeFolder();
    const QString socketPath = QString::fromStdString(quillon::platform::InstanceSocketPath(runtime));
    quillon::platform::InstanceLock lock;
    if (!lock.TryAcquire(runtime)) {
        quillon::app::QtUserDialogs boxes;
        const char* log = std::getenv("QUILLON_TEST_MESSAGE_LOG");
        MessageLogDialogs logged(log != nullptr ? QString::fromLocal8Bit(log) : QString());
        quillon::app::UserDialogs& dialogs = log != nullptr ? static_cast<quillon::app::UserDialogs&>(logged) : boxes;
        quillon::app::PassFileToRunningInstance(socketPath, arguments, dialogs);
        return 0;
    }

    quillon::app::QtUserDialogs dialogs;
    auto* form = new quillon::app::TMainForm(arguments, dialogs);
    form->setAttribute(Qt::WA_DeleteOnClose);
    auto* server = new quillon::app::InstanceServer(*form, socketPath);
    (void)server->Listen();
    form->show();
    return app.exec();
}
