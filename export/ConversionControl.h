#pragma once
// What one MP3 conversion shares with the threads that watch or stop it: a
// stop request that holds from whenever it is made (a conversion asked to
// stop before it begins never begins), the percent done, and, while the
// conversion runs, its route's own stop and status calls.

#include <atomic>
#include <functional>
#include <mutex>

namespace quillon::engine {

class ConversionControl {
public:
    // Any thread, any time, as often as wanted: the stop holds from now on and
    // reaches the route's stop call when one is attached.
    void RequestStop();
    [[nodiscard]] bool StopRequested() const { return stop_.load(); }

    // The route's own count of the percent done (LAME reports as it goes).
    void Report(int percent) { percent_.store(percent); }
    // The percent done: the attached status call's answer while the route
    // runs, else the last report (0 before any).
    [[nodiscard]] int Percent() const;

    // The route's calls while it runs (the converter library's, on its
    // conversion's handle). A stop already requested is passed on at once.
    void Attach(std::function<void()> stop, std::function<int()> status);
    // Once this returns no attached call is made or still running.
    void Detach();

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> percent_{0};
    mutable std::mutex mutex_;  // over the attached calls, so Detach waits for one in progress
    std::function<void()> stopCall_;
    std::function<int()> statusCall_;
};

}  // namespace quillon::engine
