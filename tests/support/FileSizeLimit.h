#pragma once
// Lowers the process's file size limit for the life of the object. A write
// past it then fails with EFBIG, as the programs see it, instead of ending
// the test with SIGXFSZ.

#include <sys/resource.h>

#include "platform/FileOps.h"

namespace quillon::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        platform::ReportFileSizeLimitAsWriteError();
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

}  // namespace quillon::test
