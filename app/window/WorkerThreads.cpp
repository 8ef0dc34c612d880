#include "app/window/WorkerThreads.h"

#include <QMetaObject>
#include <QObject>

#include <system_error>

namespace quillon::app {

bool WorkerThreads::Start(std::function<std::function<void()>()> work) {
    // Marked here, not in the worker, so that a shutdown in between still waits.
    idle_.WorkerStarted();
    try {
        std::thread worker([this, work = std::move(work)] {
            std::function<void()> ended = work();
            const std::thread::id self = std::this_thread::get_id();
            QMetaObject::invokeMethod(
                &window_,
                [this, ended = std::move(ended), self] {
                    Join(self);
                    ended();
                },
                Qt::QueuedConnection);
            idle_.WorkerEnded();  // the last thing the worker does
        });
        const std::thread::id id = worker.get_id();
        threads_.emplace(id, std::move(worker));
        return true;
    } catch (const std::system_error&) {
        idle_.WorkerEnded();
        return false;
    }
}

void WorkerThreads::Join(std::thread::id worker) {
    if (auto it = threads_.find(worker); it != threads_.end()) {
        it->second.join();
        threads_.erase(it);
    }
}

void WorkerThreads::JoinAll() {
    idle_.Wait();
    for (auto& [id, worker] : threads_) worker.join();
    threads_.clear();
}

}  // namespace quillon::app
