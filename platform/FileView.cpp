#include "platform/FileView.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

namespace quillon::platform {

int64_t ReadAt(int fd, int64_t offset, void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = pread(fd, static_cast<char*>(buffer) + done, std::size_t(count - done),
                                  off_t(offset + done));
        if (got > 0) done += got;
        else if (got == 0) break;
        else if (errno != EINTR) return done > 0 ? done : -1;
    }
    return done;
}

bool FileView::Map(int fd, int64_t offset, std::size_t length) {
    Reset();
    struct stat st {};
    if (offset < 0 || fstat(fd, &st) != 0) return false;
    if (offset >= int64_t(st.st_size) || length == 0) return true;
    const std::size_t size = std::size_t(std::min<int64_t>(int64_t(length), int64_t(st.st_size) - offset));
    static const int64_t page = sysconf(_SC_PAGESIZE);
    const int64_t start = offset / page * page;
    const std::size_t mapped = std::size_t(offset - start) + size;
    void* base = mmap(nullptr, mapped, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, off_t(start));
    if (base == MAP_FAILED) return false;
    base_ = base;
    mapped_ = mapped;
    data_ = static_cast<const uint8_t*>(base) + (offset - start);
    size_ = size;
    fd_ = fd;
    end_ = offset + int64_t(size);
    return true;
}

bool FileView::Intact() const {
    if (size_ == 0) return true;
    struct stat st {};
    return fstat(fd_, &st) == 0 && int64_t(st.st_size) >= end_;
}

void FileView::Reset() {
    if (base_ != nullptr) munmap(base_, mapped_);
    base_ = nullptr;
    mapped_ = 0;
    data_ = nullptr;
    size_ = 0;
    fd_ = -1;
    end_ = 0;
}

namespace {

// The guarded read of one thread. The handler leaves a fault inside [lo, hi)
// through env; SA_NODEFER keeps SIGBUS unblocked in the handler, so the jump
// needs no saved signal mask (and sigsetjmp no system call).
struct Guard {
    const char* lo = nullptr;
    const char* hi = nullptr;
    volatile sig_atomic_t armed = 0;
    sigjmp_buf env;
};

thread_local Guard* tGuard = nullptr;
struct sigaction gPrevious {};
std::once_flag gInstalled;

void OnSigbus(int sig, siginfo_t* info, void* context) {
    Guard* const guard = tGuard;
    if (guard != nullptr && guard->armed) {
        const char* const at = static_cast<const char*>(info->si_addr);
        if (at >= guard->lo && at < guard->hi) {
            guard->armed = 0;
            siglongjmp(guard->env, 1);
        }
    }
    // Not a guarded read: what the handler before ours would have done.
    if ((gPrevious.sa_flags & SA_SIGINFO) != 0 && gPrevious.sa_sigaction != nullptr) {
        gPrevious.sa_sigaction(sig, info, context);
    } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
        gPrevious.sa_handler(sig);
    } else {
        // The default action: the process ends with SIGBUS, as it would have.
        signal(sig, SIG_DFL);
        raise(sig);
    }
}

void Install() {
    struct sigaction action {};
    action.sa_sigaction = OnSigbus;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &gPrevious);
}

}  // namespace

bool ReadGuarded(const void* begin, const void* end, void (*fn)(void*), void* context) {
    std::call_once(gInstalled, Install);
    Guard guard;
    guard.lo = static_cast<const char*>(begin);
    guard.hi = static_cast<const char*>(end);
    Guard* const outer = tGuard;
    tGuard = &guard;
    if (sigsetjmp(guard.env, 0) != 0) {
        tGuard = outer;
        return false;
    }
    guard.armed = 1;
    fn(context);
    guard.armed = 0;
    tGuard = outer;
    return true;
}

}  // namespace quillon::platform
