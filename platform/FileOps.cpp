#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <random>
#include <utility>

namespace quillon::platform {

std::string CreateUniqueFile(const std::string& folder) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string base = (folder.empty() || folder.back() == '/') ? folder : folder + "/";
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".quillon-%012llx.part",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        const std::string path = base + name;
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return path;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool ReplaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

void RemoveFile(const std::string& path) { (void)unlink(path.c_str()); }

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
}

void ReportFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace quillon::platform
