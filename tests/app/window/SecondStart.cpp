// The program's start as the file-passing tests run it: the same start as the
// shipped program's, with every box appended to the file named by the first
// argument instead of shown (nobody is there to dismiss one).
//
//   quillon-test-start LOG [FILE...]
#include <QApplication>
#include <QFile>

#include "app/window/Startup.h"
#include "app/window/UserDialogs.h"

namespace {

class MessageLogDialogs final : public quillon::app::UserDialogs {
public:
    explicit MessageLogDialogs(QString path) : path_(std::move(path)) {}
    void ErrorBox(QWidget*, const QString& text) override { Append("error: " + text); }
    void MessageBox(QWidget*, const QString& text) override { Append("plain: " + text); }
    bool Question(QWidget*, const QString& text, quillon::app::QuestionIcon) override {
        Append("question: " + text);
        return false;
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
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
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) return 2;
    std::vector<std::string> files;
    for (qsizetype i = 2; i < args.size(); ++i) files.push_back(args[i].toStdString());
    MessageLogDialogs dialogs(args[1]);
    return quillon::app::RunQuillon(files, dialogs);
}
