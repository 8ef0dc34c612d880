#pragma once
// Positioned reads and read-only mappings of an open file, for scans that
// several threads share: neither moves the file's position. A mapping never
// reaches past the end the file has when it is made, and a file cut short
// while its mapping is read is caught (ReadGuarded) instead of raising SIGBUS.

#include <cstddef>
#include <cstdint>

namespace quillon::platform {

// Reads count bytes at offset, retrying partial and interrupted reads. The
// bytes read (fewer only at the end of the file), or -1 when an error came
// before any byte.
[[nodiscard]] int64_t ReadAt(int fd, int64_t offset, void* buffer, int64_t count);

// A read-only mapping of part of an open file; unmapped by Reset, by the next
// Map and on destruction.
class FileView {
public:
    FileView() = default;
    ~FileView() { Reset(); }
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    // Maps up to length bytes from offset, but only what the file holds now
    // (its size by fstat): size() is min(length, file size - offset), 0 at or
    // past the end. False when the file cannot be mapped (or stat-ed); the
    // view is then empty and the caller reads instead.
    [[nodiscard]] bool Map(int fd, int64_t offset, std::size_t length);
    void Reset();
    // Whether the file still holds every byte of the view. A file cut short
    // inside the view's last page reads as zeros there rather than raising
    // SIGBUS, so what was read of a view counts only when this holds after.
    [[nodiscard]] bool Intact() const;

    [[nodiscard]] const uint8_t* data() const { return data_; }
    [[nodiscard]] std::size_t size() const { return size_; }

private:
    void* base_ = nullptr;
    std::size_t mapped_ = 0;
    int fd_ = -1;
    int64_t end_ = 0;  // the file offset just past the view
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Runs fn(context) and returns true; or returns false as soon as a read of
// [begin, end) inside it raises SIGBUS, which happens when the file behind a
// mapping was cut short (or its storage failed) after the mapping was made.
// fn is then left where it faulted, so it and what it calls may hold nothing
// that needs destroying; a SIGBUS anywhere else does what it did before. The
// first call installs a SIGBUS handler for the process (chained to the one it
// replaces).
[[nodiscard]] bool ReadGuarded(const void* begin, const void* end, void (*fn)(void*), void* context);

}  // namespace quillon::platform
