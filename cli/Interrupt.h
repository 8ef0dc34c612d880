#pragma once
// Ctrl+C during a save presses Abort: the job removes the file it is writing
// and stops; a second Ctrl+C ends the program at once.

#include <thread>

#include "export/SaveJob.h"

namespace quillon::cli {

// Catches Ctrl+C for job while it lives; the default action is back afterwards.
// One at a time. The signal handler only marks the job aborted and wakes a
// thread of the guard's, which stops the MP3 conversion: stopping it means
// calls that take locks, which the interrupted thread may hold.
class InterruptStop {
public:
    explicit InterruptStop(engine::SaveJob& job);
    ~InterruptStop();
    InterruptStop(const InterruptStop&) = delete;
    InterruptStop& operator=(const InterruptStop&) = delete;

private:
    std::thread stopper_;
};

}  // namespace quillon::cli
