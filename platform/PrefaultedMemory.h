#pragma once
// Memory for large arrays that are filled right after they are made, such as
// the overview's peaks: from 64 KiB up it comes from the kernel with every
// page already in place, in one system call, instead of a page fault on the
// first touch of each page (on a virtual machine each fault costs
// microseconds, which for the overview of an hour is about 5 % of a scan).
// Smaller requests go to the ordinary allocator.

#include <cstddef>
#include <new>

namespace quillon::platform {

// bytes of zeroed memory, aligned for any type; throws std::bad_alloc.
[[nodiscard]] void* AllocatePrefaulted(std::size_t bytes);
// Frees what AllocatePrefaulted(bytes) gave, with the same bytes.
void FreePrefaulted(void* memory, std::size_t bytes) noexcept;

template <class T>
struct PrefaultedAllocator {
    using value_type = T;

    PrefaultedAllocator() = default;
    template <class U>
    PrefaultedAllocator(const PrefaultedAllocator<U>&) noexcept {}

    [[nodiscard]] T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocatePrefaulted(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreePrefaulted(p, n * sizeof(T)); }

    template <class U>
    bool operator==(const PrefaultedAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace quillon::platform
