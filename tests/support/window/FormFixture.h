#pragma once
// The main window for one window test case: private settings and runtime
// folders, a folder for the case's files, dialogs the test answers, and the
// window itself, shown.

#include <QByteArray>
#include <QFile>
#include <QLineEdit>
#include <QString>
#include <QtTest>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/window/MainForm.h"
#include "support/TestWave.h"
#include "support/window/ScriptedDialogs.h"
#include "support/window/WindowTestEnv.h"

namespace quillon::test {

template <typename Dialogs = ScriptedDialogs>
class FormFixture {
protected:
    // Fresh folders and dialogs; call from init().
    void Prepare() {
        env_ = std::make_unique<WindowTestEnv>();
        files_ = std::make_unique<TempDir>();
        dialogs_ = std::make_unique<Dialogs>();
    }
    // The window, shown; false when it never appeared.
    [[nodiscard]] bool ShowForm(std::vector<std::string> arguments = {}) {
        form_ = new app::TMainForm(std::move(arguments), *dialogs_);
        form_->show();
        return QTest::qWaitForWindowExposed(form_);
    }
    // Replaces the settings file with text.
    void Settings(const std::string& text) { std::ofstream(env_->SettingsFile().toStdString()) << text; }
    // Types path into the file name field, starts the analysis and waits until it has ended.
    void AnalyzeAndWait(const std::string& path) {
        form_->FileNameEdit->setText(QString::fromStdString(path));
        form_->Analysis().analyzeButtonClick();
        QTRY_VERIFY(!form_->UiBusy.load() && !form_->Analysis().AnalysisJob);
    }
    // Call from cleanup().
    void DestroyForm() {
        delete form_;
        form_ = nullptr;
    }

    std::unique_ptr<WindowTestEnv> env_;
    std::unique_ptr<TempDir> files_;
    std::unique_ptr<Dialogs> dialogs_;
    app::TMainForm* form_ = nullptr;
};

inline QString Message(int number) { return QString::fromStdString(engine::MessageText(number)); }

inline QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace quillon::test
