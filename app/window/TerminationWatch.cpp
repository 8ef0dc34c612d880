#include "app/window/TerminationWatch.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace quillon::app {
namespace {

static_assert(std::atomic<int>::is_always_lock_free);

std::atomic<int> gWriteEnd{-1};  // the watching pipe's; -1 while none watches

// write() and lock-free atomics only. The pipe does not block: when it is
// full, a byte is there already, and one is as good as many.
extern "C" void OnTermination(int) {
    const int savedErrno = errno;
    const char byte = 1;
    if (const int fd = gWriteEnd.load(); fd >= 0) (void)!write(fd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

TerminationWatch::TerminationWatch(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (gWriteEnd.load() >= 0 || pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    gWriteEnd.store(pipe_[1]);
    auto* notifier = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { Drain(); });
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = OnTermination;
    for (std::size_t i = 0; i < std::size(kWatched); ++i) sigaction(kWatched[i], &action, &previous_[i]);
}

TerminationWatch::~TerminationWatch() {
    if (pipe_[0] < 0) return;
    for (std::size_t i = 0; i < std::size(kWatched); ++i) sigaction(kWatched[i], &previous_[i], nullptr);
    gWriteEnd.store(-1);
    close(pipe_[0]);
    close(pipe_[1]);
}

void TerminationWatch::Drain() {
    char bytes[64];
    bool caught = false;
    while (read(pipe_[0], bytes, sizeof bytes) > 0) caught = true;
    if (caught && onSignal_) onSignal_();
}

}  // namespace quillon::app
