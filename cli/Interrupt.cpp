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
sem_t gWake;  // posted by Ctrl+C and by the end of the save

// Lock-free atomics, sem_post and signal only: the interrupted thread may be
// anywhere, holding any lock.
extern "C" void OnInterrupt(int) {
    const int savedErrno = errno;
    if (engine::SaveJob* job = gJob.load()) job->AbortRequested.store(true);
    sem_post(&gWake);
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl+C ends the program at once
    errno = savedErrno;
}

// Waits for Ctrl+C, then stops every MP3 conversion of the save until it
// ends: a converter library without handles clears its stop request when a
// conversion begins, so one that begins just after the Ctrl+C is stopped as well.
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
    // The stopper never takes the signal itself: Ctrl+C goes to the thread
    // doing the work, and the stopper is what the handler wakes.
    sigset_t interrupt, previous;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous);
    stopper_ = std::thread(StopAfterInterrupt, std::ref(job));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    std::signal(SIGINT, OnInterrupt);
}

InterruptStop::~InterruptStop() {
    std::signal(SIGINT, SIG_DFL);
    gJob.store(nullptr);
    gEnding.store(true);
    sem_post(&gWake);
    stopper_.join();
    sem_destroy(&gWake);
}

}  // namespace quillon::cli
