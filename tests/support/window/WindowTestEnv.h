#pragma once
// A private configuration and runtime folder for each window test case, so
// settings and the instance socket never touch the user's own.

#include <QTemporaryDir>
#include <QtGlobal>

#include <memory>

namespace quillon::test {

class WindowTestEnv {
public:
    WindowTestEnv() {
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    }
    [[nodiscard]] QString ConfigFolder() const { return config_.path(); }
    [[nodiscard]] QString RuntimeFolder() const { return runtime_.path(); }
    [[nodiscard]] QString SettingsFile() const { return config_.path() + "/Quillon.ini"; }

private:
    QTemporaryDir config_;
    QTemporaryDir runtime_;
};

}  // namespace quillon::test
