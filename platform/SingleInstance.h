#pragma once
// The single-instance test: an exclusive lock on the per-user file "Quillon" in
// the runtime folder. The first start holds it for its whole life; the system
// releases it when that process ends, however it ends.

#include <string>

namespace quillon::platform {

// $XDG_RUNTIME_DIR when it is an absolute path to a folder, else a private
// folder /tmp/quillon-<uid> (made with mode 0700 when missing, refused when it
// belongs to someone else). Without a trailing "/"; empty when there is none.
[[nodiscard]] std::string RuntimeFolder();

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock (a first start). False when
    // another process holds it, or when the lock file cannot be made: such a
    // start behaves as a second start.
    [[nodiscard]] bool TryAcquire(const std::string& folder = RuntimeFolder());

private:
    int fd_ = -1;
};

// Where the running window listens for file passing, beside the lock file.
[[nodiscard]] std::string InstanceSocketPath(const std::string& folder = RuntimeFolder());

}  // namespace quillon::platform
