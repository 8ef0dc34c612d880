#pragma once
// The window's boxes and dialogs for the window tests: every box is recorded,
// questions take the scripted answers, the open dialog the scripted name.

#include <QString>
#include <QStringList>

#include <QDialog>

#include <deque>
#include <functional>

#include "app/window/UserDialogs.h"

namespace quillon::test {

class ScriptedDialogs final : public app::UserDialogs {
public:
    void ErrorBox(QWidget*, const QString& text) override { boxes << "error: " + text; }
    void MessageBox(QWidget*, const QString& text) override { boxes << "plain: " + text; }
    bool Question(QWidget*, const QString& text, app::QuestionIcon icon) override {
        boxes << QString(icon == app::QuestionIcon::Warning ? "warning question: " : "question: ") + text;
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString OpenFileName(QWidget*, const QString& filter, const QString&) override {
        lastFilter = filter;
        return openName;
    }

    QString SaveFileName(QWidget*, const QString&, const QString& fileName, const QString&, const QString&) override {
        boxes << "save dialog: " + fileName;
        return saveName;
    }
    QString FolderName(QWidget*, const QString& title) override {
        boxes << "folder: " + title;
        return folderName;
    }
    // A dialog's run: the test fills it in and says how it ended (Rejected when unset).
    int Exec(QDialog& dialog) override { return onExec ? onExec(dialog) : int(QDialog::Rejected); }

    std::function<int(QDialog&)> onExec;
    QStringList boxes;
    std::deque<bool> answers;
    QString openName;
    QString saveName;
    QString folderName;
    QString lastFilter;
};

}  // namespace quillon::test
