#include "platform/DiskSpace.h"

#include <sys/statvfs.h>

namespace quillon::platform {

int64_t FreeBytes(const std::string& folder) {
    struct statvfs fs {};
    if (folder.empty() || statvfs(folder.c_str(), &fs) != 0) return -1;
    return int64_t(fs.f_bavail) * int64_t(fs.f_frsize);
}

}  // namespace quillon::platform
