#include "export/PrefetchReader.h"

#include <algorithm>
#include <system_error>

namespace quillon::engine {

PrefetchReader::PrefetchReader(platform::HMMIO source, int64_t length, std::vector<uint8_t>& first,
                               std::vector<uint8_t>& second)
    : source_(source), remaining_(length), buffers_{&first, &second} {
    try {
        reader_ = std::thread([this] { Run(); });
        threaded_ = true;
    } catch (const std::system_error&) {
        threaded_ = false;  // no thread to spare: each block is read when asked for
    }
}

PrefetchReader::~PrefetchReader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (reader_.joinable()) reader_.join();
}

int64_t PrefetchReader::ReadBlock(int slot) {
    std::vector<uint8_t>& buffer = *buffers_[slot];
    const int64_t want = std::min<int64_t>(remaining_, int64_t(buffer.size()));
    const int64_t got = want > 0 ? platform::mmioRead(source_, buffer.data(), want) : 0;
    const int64_t size = std::max<int64_t>(got, 0);
    remaining_ = size < want ? 0 : remaining_ - size;
    return size;
}

void PrefetchReader::Run() {
    for (int slot = 0;; slot ^= 1) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this, slot] { return stop_ || sizes_[slot] < 0; });
            if (stop_) return;
        }
        const int64_t size = ReadBlock(slot);
        {
            std::lock_guard lock(mutex_);
            sizes_[slot] = size;
        }
        changed_.notify_all();
        if (size == 0) return;
    }
}

PrefetchReader::Block PrefetchReader::Next() {
    if (!threaded_) {
        const int64_t size = ReadBlock(0);
        return {buffers_[0]->data(), size};
    }
    std::unique_lock lock(mutex_);
    if (handedOut_) {
        sizes_[consumerSlot_] = -1;
        consumerSlot_ ^= 1;
        handedOut_ = false;
        changed_.notify_all();
    }
    changed_.wait(lock, [this] { return sizes_[consumerSlot_] >= 0; });
    const int64_t size = sizes_[consumerSlot_];
    if (size > 0) handedOut_ = true;
    return {buffers_[consumerSlot_]->data(), size};
}

}  // namespace quillon::engine
