#include "app/window/InstanceChannel.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "app/ErrorCodes.h"
#include "app/FileListBlock.h"
#include "app/InstanceProtocol.h"
#include "app/window/MainForm.h"
#include "app/window/UserDialogs.h"

namespace quillon::app {
namespace {

constexpr int kConnectMs = 2000;
constexpr int kGreetingMs = 2000;
constexpr int kAnswerMs = 30000;
constexpr qsizetype kMaxGreeting = 1024;

QByteArray ReadGreeting(QLocalSocket& socket) {
    QByteArray greeting;
    while (greeting.count('\n') < 2 && greeting.size() < kMaxGreeting) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kGreetingMs)) break;
        greeting += socket.read(kMaxGreeting - greeting.size());
    }
    return greeting;
}

void Send(QLocalSocket& socket, const QByteArray& bytes) {
    socket.write(bytes);
    socket.waitForBytesWritten(kConnectMs);
}

}  // namespace

InstanceServer::InstanceServer(TMainForm& form, QString socketPath)
    : QObject(&form), form_(form), socketPath_(std::move(socketPath)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
}

bool InstanceServer::Listen() {
    // Only the holder of the instance lock listens, so a socket file left
    // behind by a crashed run is stale.
    QLocalServer::removeServer(socketPath_);
    return server_->listen(socketPath_);
}

void InstanceServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
        socket->write(QByteArray::fromStdString(
            engine::MainWindowGreeting(engine::kMainWindowClass, form_.windowTitle().toStdString())));
    }
}

void InstanceServer::Serve(QLocalSocket* socket) {
    constexpr qsizetype kBlockRequest = 1 + qsizetype(engine::kFileListBlockBytes);
    while (socket->bytesAvailable() > 0) {
        char request = 0;
        if (!socket->peek(&request, 1)) return;
        if (request == char(engine::FilePassingRequest::Raise)) {
            socket->read(1);
            form_.BringToFront();
        } else if (request == char(engine::FilePassingRequest::OpenFiles)) {
            if (socket->bytesAvailable() < kBlockRequest) return;  // the rest is still on its way
            const QByteArray bytes = socket->read(kBlockRequest);
            const int answer = form_.WMCopyData(bytes.constData() + 1, std::size_t(bytes.size() - 1));
            socket->write(QByteArray(1, char(answer)));
        } else {
            // Not a request this window knows: stop listening to the peer,
            // but let an answer already given reach it before the close.
            socket->disconnect(this);
            socket->readAll();
            socket->disconnectFromServer();
            return;
        }
    }
}

void PassFileToRunningInstance(const QString& socketPath, const std::vector<std::string>& arguments,
                               UserDialogs& dialogs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kConnectMs)) return;
    if (!engine::IsMainWindowGreeting(ReadGreeting(socket).toStdString())) return;
    Send(socket, QByteArray(1, char(engine::FilePassingRequest::Raise)));
    if (arguments.empty()) return;

    engine::FileListBlock block;
    engine::FillFileListBlock(&block, arguments);
    QByteArray request(1, char(engine::FilePassingRequest::OpenFiles));
    request.append(reinterpret_cast<const char*>(block.Data()), qsizetype(block.Size()));
    Send(socket, request);
    // No answer at all counts as busy: the file was not taken.
    const bool accepted = socket.waitForReadyRead(kAnswerMs) &&
                          socket.read(1) == QByteArray(1, char(engine::AnswerAccepted));
    if (accepted) {
        Send(socket, QByteArray(1, char(engine::FilePassingRequest::Raise)));
        return;
    }
    dialogs.MessageBox(nullptr,
                       QString::fromStdString(engine::FormatText(engine::MessageText(engine::MsgProgramBusy),
                                                                 {engine::kProductName, engine::kProductName})));
}

}  // namespace quillon::app
