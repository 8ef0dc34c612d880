#pragma once
// The threads of the window's jobs (analysis, save). A worker runs its work
// on a thread of its own; what the work returns runs on the window's thread
// once the worker has ended, and the thread is joined there. The worker-idle
// event counts the running workers, so shutdown can wait for them.

#include <functional>
#include <map>
#include <thread>

#include "app/WorkerIdleEvent.h"

class QObject;

namespace quillon::app {

class WorkerThreads {
public:
    // window: where the endings run; idle: marked at every start and end.
    WorkerThreads(QObject& window, engine::WorkerIdleEvent& idle) : window_(window), idle_(idle) {}
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;
    ~WorkerThreads() { JoinAll(); }

    // False when no thread could be made (nothing runs then).
    bool Start(std::function<std::function<void()>()> work);
    // Waits until no worker runs and joins every thread. Their endings, still
    // queued for the window, find nothing to join.
    void JoinAll();

private:
    void Join(std::thread::id worker);

    QObject& window_;
    engine::WorkerIdleEvent& idle_;
    std::map<std::thread::id, std::thread> threads_;
};

}  // namespace quillon::app
