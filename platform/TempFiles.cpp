#include "platform/TempFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string_view>
#include <utility>

#include "platform/UniqueFd.h"

namespace quillon::platform {
namespace {

constexpr std::string_view kPrefix = ".quillon-", kSuffix = ".part";
constexpr std::size_t kHexDigits = 12;

// The open, locked temporary files of this process, by path. Closing the
// descriptor is what lets go of the lock.
class HeldFiles {
public:
    void Hold(const std::string& path, int fd) {
        const std::lock_guard lock(mutex_);
        if (const auto old = held_.find(path); old != held_.end()) close(old->second);
        held_[path] = fd;
    }
    void Release(const std::string& path) {
        const std::lock_guard lock(mutex_);
        if (const auto it = held_.find(path); it != held_.end()) {
            close(it->second);
            held_.erase(it);
        }
    }

private:
    std::mutex mutex_;
    std::map<std::string, int> held_;
};

HeldFiles& Held() {
    static HeldFiles held;
    return held;
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether name, in the folder dir, is still the file fd has open.
bool StillNamed(int dir, const char* name, int fd) {
    struct stat named {
    }, open{};
    return fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && fstat(fd, &open) == 0 && SameInode(named, open);
}

// Locks the file just made. A sweep of another process may have taken it in
// between: then it is gone, or about to go, and another name is needed.
// Where the file system has no locks at all the file is used unlocked (and
// no sweep can remove it either).
bool LockNew(int fd, const std::string& path) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno != EWOULDBLOCK;
    return StillNamed(AT_FDCWD, path.c_str(), fd);
}

bool IsTempName(std::string_view name) {
    if (name.size() != kPrefix.size() + kHexDigits + kSuffix.size()) return false;
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
    for (const char c : name.substr(kPrefix.size(), kHexDigits)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// Removes name from dir when nobody holds its lock; the lock is kept until
// the name is gone, so a save that takes the same file meanwhile cannot.
void RemoveIfStale(int dir, const char* name) {
    const UniqueFd fd(openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    // Its writer may have put it in place, or removed it, just before letting go.
    if (StillNamed(dir, name, fd.get())) (void)unlinkat(dir, name, 0);
}

}  // namespace

std::string CreateUniqueFile(const std::string& folder) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string base = (folder.empty() || folder.back() == '/') ? folder : folder + "/";
    for (int attempt = 0; attempt < 100; ++attempt) {
        char hex[kHexDigits + 1];
        std::snprintf(hex, sizeof hex, "%012llx", static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        const std::string path = base + std::string(kPrefix) + hex + std::string(kSuffix);
        UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() < 0) {
            if (errno != EEXIST) return {};
            continue;
        }
        if (LockNew(fd.get(), path)) {
            Held().Hold(path, fd.release());
            return path;
        }
    }
    return {};
}

void RemoveStaleTempFiles(const std::string& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), &closedir);
    if (!dir) return;
    while (const dirent* entry = readdir(dir.get())) {
        if (IsTempName(entry->d_name)) RemoveIfStale(dirfd(dir.get()), entry->d_name);
    }
}

void ReleaseTempFile(const std::string& path) { Held().Release(path); }

}  // namespace quillon::platform
