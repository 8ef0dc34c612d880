#pragma once
// The window's message boxes and file choosers behind one interface, so that
// the tests can answer them and no test waits for a person.

#include <QString>

class QDialog;
class QSize;
class QWidget;

namespace quillon::app {

enum class QuestionIcon { None, Warning };

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // Error icon, OK, caption "Corvane Quillon".
    virtual void ErrorBox(QWidget* owner, const QString& text) = 0;
    // No icon, OK, caption "Corvane Quillon".
    virtual void MessageBox(QWidget* owner, const QString& text) = 0;
    // Yes and No; true for Yes.
    virtual bool Question(QWidget* owner, const QString& text, QuestionIcon icon) = 0;
    // The open dialog for one existing file, at the size it was left at, in
    // folder (where the last one was left when empty); empty on Cancel.
    virtual QString OpenFileName(QWidget* owner, const QString& filter, const QString& folder) = 0;
    // The save dialog in folder with fileName filled in; suffix is added to a
    // name typed without one; it asks before an existing file is chosen and
    // refuses a name in a folder that does not exist. Empty on Cancel.
    virtual QString SaveFileName(QWidget* owner, const QString& folder, const QString& fileName, const QString& suffix,
                                 const QString& filter) = 0;
    // The folder browser with title; empty on Cancel.
    virtual QString FolderName(QWidget* owner, const QString& title) = 0;
    // Shows one of the program's own dialogs modally; its result code.
    virtual int Exec(QDialog& dialog) = 0;
};

// The real boxes and dialogs.
class QtUserDialogs final : public UserDialogs {
public:
    void ErrorBox(QWidget* owner, const QString& text) override;
    void MessageBox(QWidget* owner, const QString& text) override;
    bool Question(QWidget* owner, const QString& text, QuestionIcon icon) override;
    QString OpenFileName(QWidget* owner, const QString& filter, const QString& folder) override;
    QString SaveFileName(QWidget* owner, const QString& folder, const QString& fileName, const QString& suffix,
                         const QString& filter) override;
    QString FolderName(QWidget* owner, const QString& title) override;
    int Exec(QDialog& dialog) override;

private:
    // The open dialog's size, kept in the settings file for the next opening.
    void StoreOpenDialogSize(QWidget* owner, const QSize& size);
};

}  // namespace quillon::app
