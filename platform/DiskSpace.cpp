#include "platform/DiskSpace.h"

#include <sys/statvfs.h>

#include <cerrno>

namespace quillon::platform {

int64_t FreeBytes(const std::string& folder) {
    if (folder.empty() || folder[0] != '/') return -1;
    // A folder still to be made lives on its nearest existing parent's file
    // system, as a Windows folder lives on its drive.
    std::string at = folder;
    struct statvfs fs {};
    while (statvfs(at.c_str(), &fs) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) return -1;
        while (at.size() > 1 && at.back() == '/') at.pop_back();
        const auto slash = at.rfind('/');
        if (slash == std::string::npos || at == "/") return -1;
        at = slash == 0 ? "/" : at.substr(0, slash);
    }
    return int64_t(fs.f_bavail) * int64_t(fs.f_frsize);
}

}  // namespace quillon::platform
