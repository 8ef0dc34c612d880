#include "app/window/Startup.h"

#include <QApplication>

#include "app/window/InstanceChannel.h"
#include "app/window/MainForm.h"
#include "platform/SingleInstance.h"

namespace quillon::app {

int RunQuillon(const std::vector<std::string>& arguments, UserDialogs& dialogs) {
    const std::string runtime = platform::RuntimeFolder();
    const QString socketPath = QString::fromStdString(platform::InstanceSocketPath(runtime));
    platform::InstanceLock lock;
    if (!lock.TryAcquire(runtime)) {
        PassFileToRunningInstance(socketPath, arguments, dialogs);
        return 0;
    }
    auto* form = new TMainForm(arguments, dialogs);
    form->setAttribute(Qt::WA_DeleteOnClose);
    auto* server = new InstanceServer(*form, socketPath);
    (void)server->Listen();
    form->show();
    return QApplication::exec();
}

}  // namespace quillon::app
