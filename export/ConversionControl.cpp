#include "export/ConversionControl.h"

namespace quillon::engine {

void ConversionControl::RequestStop() {
    stop_.store(true);
    std::lock_guard lock(mutex_);
    if (stopCall_) stopCall_();
}

int ConversionControl::Percent() const {
    std::lock_guard lock(mutex_);
    return statusCall_ ? statusCall_() : percent_.load();
}

void ConversionControl::Attach(std::function<void()> stop, std::function<int()> status) {
    std::lock_guard lock(mutex_);
    stopCall_ = std::move(stop);
    statusCall_ = std::move(status);
    if (stop_.load() && stopCall_) stopCall_();
}

void ConversionControl::Detach() {
    std::lock_guard lock(mutex_);
    stopCall_ = nullptr;
    statusCall_ = nullptr;
}

}  // namespace quillon::engine
