#pragma once
// A file descriptor that is closed when its holder goes.

#include <unistd.h>

#include <utility>

namespace quillon::platform {

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    [[nodiscard]] int get() const { return fd_; }
    // Hands the descriptor over; this one then closes nothing.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

}  // namespace quillon::platform
