// The worker-idle event: signalled only once every worker has ended.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/WorkerIdleEvent.h"

namespace quillon {
namespace {

TEST(WorkerIdleEvent, StaysResetWhileAnyWorkerRuns) {
    engine::WorkerIdleEvent idle;
    EXPECT_TRUE(idle.IsSignalled());
    idle.WorkerStarted();  // an aborted worker, still finishing
    idle.WorkerStarted();  // the next job's worker
    idle.WorkerEnded();
    EXPECT_FALSE(idle.IsSignalled());
    EXPECT_FALSE(idle.WaitFor(std::chrono::milliseconds(5)));
    std::thread last([&] { idle.WorkerEnded(); });
    idle.Wait();
    last.join();
    EXPECT_TRUE(idle.IsSignalled());
}

}  // namespace
}  // namespace quillon
