#pragma once
// Free space of the file system that holds a folder.

#include <cstdint>
#include <string>

namespace quillon::platform {

// Bytes available to this user in the file system that holds (or would hold)
// folder, an absolute path; -1 when it cannot be queried.
[[nodiscard]] int64_t FreeBytes(const std::string& folder);

}  // namespace quillon::platform
