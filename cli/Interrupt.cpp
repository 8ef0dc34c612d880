#include "cli/Interrupt.h"

#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>

namespace quillon::cli {
namespace {

// What the handler touches must be safe to touch from a signal handler.
static_assert(std::atomic<engine::SaveJob*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

std::atomic<engine::SaveJob*> gJob{nullptr};
std::atomic<bool> gEnding{false};
sem_t gWake;  // posted by an abort signal and by the end of the save

// Lock-free atomics, sem_post and signal only: the interrupted thread may be
// anywhere, holding any lock.
extern "C" void OnInterrupt(int) {
    const int savedErrno = errno;
    if (engine::SaveJob* job = gJob.load()) job->AbortRequested.store(true);
    sem_post(&gWake);
    // Ctrl+C once more ends the program at once. SIGTERM and SIGHUP stay
    // caught: a closed terminal may send SIGHUP twice (the shell passes its
    // own on, and the system sends one when the shell ends), and the second
    // must not cut the clean-up short.
    std::signal(SIGINT, SIG_DFL);
    errno = savedErrno;
}

// Waits for the abort signal, then stops every MP3 conversion of the save
// until it ends: a converter library without handles clears its stop request
// when a conversion begins, so one that begins just after the signal is
// stopped as well.
void StopAfterInterrupt(engine::SaveJob& job) {
    while (sem_wait(&gWake) != 0 && errno == EINTR) {
    }
    while (!gEnding.load()) {
        if (job.InMp3Phase.load()) job.StopConversions();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

InterruptStop::InterruptStop(engine::SaveJob& job) {
    sem_init(&gWake, 0, 0);
    gEnding.store(false);
    gJob.store(&job);
    // The stopper never takes a signal itself: they go to the threads doing
    // the work, and the stopper is what the handler wakes.
    sigset_t handled, previous;
    sigemptyset(&handled);
    for (const int signal : kHandled) sigaddset(&handled, signal);
    pthread_sigmask(SIG_BLOCK, &handled, &previous);
    stopper_ = std::thread(StopAfterInterrupt, std::ref(job));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kHandled); ++i) {
        action.sa_handler = kHandled[i] == SIGPIPE ? SIG_IGN : OnInterrupt;
        sigaction(kHandled[i], &action, &previous_[i]);
    }
}

InterruptStop::~InterruptStop() {
    for (std::size_t i = 0; i < std::size(kHandled); ++i) sigaction(kHandled[i], &previous_[i], nullptr);
    gJob.store(nullptr);
    gEnding.store(true);
    sem_post(&gWake);
    stopper_.join();
    sem_destroy(&gWake);
}

}  // namespace quillon::cli
