#pragma once
// The block of file names a start hands to the running window: 256 slots of
// 256 bytes, each a NUL-terminated name, then the count of names in use as a
// 32-bit little-endian signed integer. 65,540 bytes in all, zero-filled when made.
// A received block comes from another process, so every read is bounded.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::engine {

inline constexpr std::size_t kFileListSlots = 256;
inline constexpr std::size_t kFileListSlotBytes = 256;
inline constexpr std::size_t kFileListCountOffset = kFileListSlots * kFileListSlotBytes;  // 65,536
inline constexpr std::size_t kFileListBlockBytes = kFileListCountOffset + 4;              // 65,540

class FileListBlock {
public:
    FileListBlock() { bytes_.fill(0); }

    // A copy of received bytes: a shorter payload is zero-padded, a longer one
    // is cut to the block's size.
    static FileListBlock FromBytes(const void* data, std::size_t size);

    [[nodiscard]] const uint8_t* Data() const { return bytes_.data(); }
    [[nodiscard]] static constexpr std::size_t Size() { return kFileListBlockBytes; }

    // The stored count as written, which may be anything in a received block.
    [[nodiscard]] int32_t RawCount() const;
    // The stored count clamped to 0..256: the number of slots a reader visits.
    [[nodiscard]] int Count() const;
    void SetCount(int32_t count);

    // Slot i's name: at most 256 characters, up to the first NUL.
    [[nodiscard]] std::string Name(std::size_t slot) const;
    // Stores name in slot i, cut to 256 bytes; a name that fills the slot has
    // no NUL, which readers allow for.
    void SetName(std::size_t slot, const std::string& name);

private:
    std::array<uint8_t, kFileListBlockBytes> bytes_;
};

// Fills a fresh block from a start's arguments (the program's own path not
// included): the count is the number of arguments cut to 1, and slot 0 holds
// the first one. Nothing happens without a block.
void FillFileListBlock(FileListBlock* block, const std::vector<std::string>& arguments);

}  // namespace quillon::engine
