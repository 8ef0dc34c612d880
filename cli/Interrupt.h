#pragma once
// Ctrl+C during a save presses Abort: the job removes the files it is writing
// and stops; a second Ctrl+C ends the program at once. SIGTERM (kill, timeout,
// a service manager) and SIGHUP (the terminal closed) abort the same way, but
// however often they come they never end the program themselves. SIGPIPE is
// ignored: a reader of the output that went away is a failed write, which the
// save sees.

#include <signal.h>

#include <iterator>
#include <thread>

#include "export/SaveJob.h"

namespace quillon::cli {

// Catches the signals above for job while it lives; the actions before are
// back afterwards. One at a time. The signal handler only marks the job
// aborted and wakes a thread of the guard's, which stops the MP3 conversion:
// stopping it means calls that take locks, which the interrupted thread may hold.
class InterruptStop {
public:
    explicit InterruptStop(engine::SaveJob& job);
    ~InterruptStop();
    InterruptStop(const InterruptStop&) = delete;
    InterruptStop& operator=(const InterruptStop&) = delete;

private:
    static constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

    std::thread stopper_;
    struct sigaction previous_[std::size(kHandled)] = {};  // the actions to put back
};

}  // namespace quillon::cli
