#include "platform/PrefaultedMemory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace quillon::platform {

namespace {

constexpr std::size_t kKernelBytes = 65536;

// Whether a block of bytes comes from mmap: the same rule both ways.
bool FromKernel(std::size_t bytes) { return bytes >= kKernelBytes; }

}  // namespace

void* AllocatePrefaulted(std::size_t bytes) {
    if (FromKernel(bytes)) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (p != MAP_FAILED) return p;
        throw std::bad_alloc();
    }
    void* p = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void FreePrefaulted(void* memory, std::size_t bytes) noexcept {
    if (memory == nullptr) return;
    if (FromKernel(bytes)) munmap(memory, bytes);
    else std::free(memory);
}

}  // namespace quillon::platform
