#pragma once
// SIGTERM (a logout, a service manager, kill) and SIGHUP (the terminal the
// window was started from closed) reach the window as a call on its own
// thread. The handler only writes a byte to a pipe, which is all a handler
// may safely do; a socket notifier reads it in the window's event loop.

#include <QObject>

#include <signal.h>

#include <functional>
#include <iterator>

namespace quillon::app {

// Catches both signals while it lives and calls onSignal on the thread that
// made it, after each signal caught; the actions before are back afterwards.
// One at a time: while one lives, another made catches nothing.
class TerminationWatch final : public QObject {
public:
    explicit TerminationWatch(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationWatch() override;
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

private:
    static constexpr int kWatched[] = {SIGTERM, SIGHUP};

    void Drain();

    std::function<void()> onSignal_;
    int pipe_[2] = {-1, -1};  // read, write; open only while this one watches
    struct sigaction previous_[std::size(kWatched)] = {};
};

}  // namespace quillon::app
