#pragma once
// Ctrl+C during a save presses Abort: the job removes the file it is writing
// and stops; a second Ctrl+C ends the program at once.

#include "export/SaveJob.h"

namespace quillon::cli {

// Catches Ctrl+C for job while it lives; the default action is back afterwards.
class InterruptStop {
public:
    explicit InterruptStop(engine::SaveJob& job);
    ~InterruptStop();
    InterruptStop(const InterruptStop&) = delete;
    InterruptStop& operator=(const InterruptStop&) = delete;
};

}  // namespace quillon::cli
