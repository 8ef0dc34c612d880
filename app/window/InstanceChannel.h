#pragma once
// The local socket between the running main window and a second start. The
// socket file sits beside the instance lock in the user's private runtime
// folder, so only the same user can reach it.

#include <QObject>
#include <QString>

#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace quillon::app {

class TMainForm;
class UserDialogs;

// The running window's end: greets every connection, raises the window on
// request and passes received blocks to WMCopyData, answering 1 or 0.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    InstanceServer(TMainForm& form, QString socketPath);
    // False when the socket cannot be made; the window then runs without file passing.
    [[nodiscard]] bool Listen();

private:
    void Accept();
    void Serve(QLocalSocket* socket);

    TMainForm& form_;
    QString socketPath_;
    QLocalServer* server_;
};

// A second start's file passing. Finds the running window (no window: nothing
// happens), brings it to the front, and, when there is an argument, sends the
// first one; a busy answer shows message 478 in a plain box.
void PassFileToRunningInstance(const QString& socketPath, const std::vector<std::string>& arguments,
                               UserDialogs& dialogs);

}  // namespace quillon::app
