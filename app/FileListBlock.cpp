#include "app/FileListBlock.h"

#include <algorithm>
#include <cstring>

namespace quillon::engine {

FileListBlock FileListBlock::FromBytes(const void* data, std::size_t size) {
    FileListBlock block;
    if (data != nullptr) std::memcpy(block.bytes_.data(), data, std::min(size, kFileListBlockBytes));
    return block;
}

int32_t FileListBlock::RawCount() const {
    const uint8_t* p = bytes_.data() + kFileListCountOffset;
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

int FileListBlock::Count() const { return std::clamp<int32_t>(RawCount(), 0, int32_t(kFileListSlots)); }

void FileListBlock::SetCount(int32_t count) {
    uint8_t* p = bytes_.data() + kFileListCountOffset;
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(uint32_t(count) >> (8 * i));
}

std::string FileListBlock::Name(std::size_t slot) const {
    if (slot >= kFileListSlots) return {};
    const char* begin = reinterpret_cast<const char*>(bytes_.data() + slot * kFileListSlotBytes);
    return std::string(begin, ::strnlen(begin, kFileListSlotBytes));
}

void FileListBlock::SetName(std::size_t slot, const std::string& name) {
    if (slot >= kFileListSlots) return;
    uint8_t* begin = bytes_.data() + slot * kFileListSlotBytes;
    std::memset(begin, 0, kFileListSlotBytes);
    std::memcpy(begin, name.data(), std::min(name.size(), kFileListSlotBytes));
}

void FillFileListBlock(FileListBlock* block, const std::vector<std::string>& arguments) {
    if (block == nullptr) return;
    const int32_t count = arguments.empty() ? 0 : 1;
    block->SetCount(count);
    if (count == 1) block->SetName(0, arguments.front());
}

}  // namespace quillon::engine
