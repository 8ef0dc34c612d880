#pragma once
// The progress bar of a FLAC save. The FLAC encoder reports its percent only
// to its conversion's control, not to a callback as LAME does, so a thread
// of our own looks every 100 ms at the conversion that began first among
// those still running, the one the bar follows on either MP3 route too.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "export/SaveJob.h"

namespace quillon::cli {

class EncodingProgress {
public:
    // draw gets that conversion's percent (0..100) while job runs; with on
    // false nothing is started.
    EncodingProgress(const engine::SaveJob& job, bool on, std::function<void(int percent)> draw);
    ~EncodingProgress();
    EncodingProgress(const EncodingProgress&) = delete;
    EncodingProgress& operator=(const EncodingProgress&) = delete;

private:
    void Run();

    const engine::SaveJob& job_;
    std::function<void(int)> draw_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace quillon::cli
