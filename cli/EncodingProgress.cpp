#include "cli/EncodingProgress.h"

#include <chrono>
#include <utility>

namespace quillon::cli {

EncodingProgress::EncodingProgress(const engine::SaveJob& job, bool on, std::function<void(int percent)> draw)
    : job_(job), draw_(std::move(draw)) {
    if (on) thread_ = std::thread([this] { Run(); });
}

EncodingProgress::~EncodingProgress() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void EncodingProgress::Run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return ending_; })) {
        if (const auto first = job_.Conversions.FirstRunning()) draw_(first->Control.Percent());
    }
}

}  // namespace quillon::cli
