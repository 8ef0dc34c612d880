#pragma once
// Reads a stretch of a file ahead of its consumer, one block at a time on a
// thread of its own, into two buffers, so that reading one block and writing
// the one before overlap: a save then runs at the speed of a file copy.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Mmio.h"

namespace quillon::engine {

class PrefetchReader {
public:
    // source is positioned at the stretch and is used by the reader only until
    // this object is gone; buffers are two blocks of equal size.
    PrefetchReader(platform::HMMIO source, int64_t length, std::vector<uint8_t>& first, std::vector<uint8_t>& second);
    ~PrefetchReader();
    PrefetchReader(const PrefetchReader&) = delete;
    PrefetchReader& operator=(const PrefetchReader&) = delete;

    struct Block {
        const uint8_t* data;
        int64_t size;  // 0 at the end of the stretch, or where a read failed
    };
    // Waits for the next block; the block returned before is given back.
    [[nodiscard]] Block Next();

private:
    void Run();
    int64_t ReadBlock(int slot);

    platform::HMMIO source_;
    int64_t remaining_;
    std::vector<uint8_t>* buffers_[2];
    int64_t sizes_[2] = {-1, -1};  // -1 free, else the bytes read into it
    int consumerSlot_ = 0;
    bool handedOut_ = false;
    bool stop_ = false;
    bool threaded_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread reader_;
};

}  // namespace quillon::engine
