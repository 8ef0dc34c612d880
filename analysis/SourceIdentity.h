#pragma once
// What makes a recording the one that was analysed: the file itself (device
// and inode, so a file replaced by rename is another one) and where its audio
// lies in it. The modification time is left out on purpose: a tag editor may
// append a chunk and leave the audio as it was.

#include <cstdint>
#include <optional>

#include "platform/Mmio.h"

namespace quillon::engine {

struct SourceIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t DataOffset = 0;  // file offset of the data chunk's first byte
    int64_t DataLength = 0;  // the data chunk's declared size in bytes

    friend bool operator==(const SourceIdentity&, const SourceIdentity&) = default;
};

// The identity of an open wave file whose data chunk is data; nothing when the
// file cannot be queried.
[[nodiscard]] std::optional<SourceIdentity> IdentifySource(platform::HMMIO file, const platform::MMCKINFO& data);

}  // namespace quillon::engine
