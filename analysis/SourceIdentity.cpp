#include "analysis/SourceIdentity.h"

#include <sys/stat.h>

namespace quillon::engine {

std::optional<SourceIdentity> IdentifySource(platform::HMMIO file, const platform::MMCKINFO& data) {
    struct stat st {};
    if (file == nullptr || fstat(platform::mmioDescriptor(file), &st) != 0) return std::nullopt;
    return SourceIdentity{uint64_t(st.st_dev), uint64_t(st.st_ino), data.dwDataOffset, int64_t(data.cksize)};
}

}  // namespace quillon::engine
