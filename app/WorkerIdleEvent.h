#pragma once
// Signalled while no worker runs; shutdown waits on it. A worker marks its
// start and its end. The count keeps the event reset while a new job's worker
// runs even if an aborted older worker ends after it started.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quillon::engine {

class WorkerIdleEvent {
public:
    void WorkerStarted() {
        std::lock_guard lock(mutex_);
        ++running_;
    }
    // Called after the worker's last use of its job record and the track list.
    void WorkerEnded() {
        {
            std::lock_guard lock(mutex_);
            if (running_ > 0) --running_;
        }
        idle_.notify_all();
    }
    [[nodiscard]] bool IsSignalled() const {
        std::lock_guard lock(mutex_);
        return running_ == 0;
    }
    void Wait() const {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return running_ == 0; });
    }
    // False when a worker still runs after timeout.
    [[nodiscard]] bool WaitFor(std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, timeout, [this] { return running_ == 0; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable idle_;
    int running_ = 0;
};

}  // namespace quillon::engine
