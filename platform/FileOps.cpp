#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <utility>

namespace quillon::platform {

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A temporary file is let go of only once its name is gone: until then a
// sweep of another process must not take it for a dead save's.
bool ReplaceFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) return false;
    ReleaseTempFile(from);
    return true;
}

void RemoveFile(const std::string& path) {
    (void)unlink(path.c_str());
    ReleaseTempFile(path);
}

namespace {

std::string::size_type NameStart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

HeldFolder::HeldFolder(const std::string& filePath) {
    const auto start = NameStart(filePath);
    const std::string folder = start == 0 ? "." : filePath.substr(0, start);
    fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

HeldFolder::~HeldFolder() {
    if (fd_ >= 0) close(fd_);
}

HeldFolder::HeldFolder(HeldFolder&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

HeldFolder& HeldFolder::operator=(HeldFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void HeldFolder::Remove(const std::string& filePath) const {
    if (fd_ < 0) return RemoveFile(filePath);
    (void)unlinkat(fd_, filePath.c_str() + NameStart(filePath), 0);
    ReleaseTempFile(filePath);
}

void ReportFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace quillon::platform
