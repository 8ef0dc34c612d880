#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/FileView.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using platform::FileView;

// A file of n bytes, byte i being i % 251, open for reading.
class NumberedFile {
public:
    explicit NumberedFile(std::size_t n) {
        Bytes b(n);
        for (std::size_t i = 0; i < n; ++i) b[i] = uint8_t(i % 251);
        path_ = dir_.Write("numbers", b);
        fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    }
    ~NumberedFile() { close(fd_); }
    [[nodiscard]] int fd() const { return fd_; }
    void CutTo(off_t size) const { ASSERT_EQ(truncate(path_.c_str(), size), 0); }

private:
    TempDir dir_;
    std::string path_;
    int fd_ = -1;
};

bool Numbered(const uint8_t* p, std::size_t n, std::size_t from) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != uint8_t((from + i) % 251)) return false;
    return true;
}

TEST(FileView, MapsOnlyWhatTheFileHolds) {
    const NumberedFile file(20000);
    const struct {
        int64_t offset;
        std::size_t length, size;
    } cases[] = {
        {0, 20000, 20000},     {4096, 100, 100}, {4097, 9000, 9000},  // page-aligned or not
        {4000, 100000, 16000},                                        // asked past the end
        {19999, 5, 1},         {20000, 10, 0},   {30000, 10, 0},      // at and past the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " + " << c.length);
        FileView view;
        ASSERT_TRUE(view.Map(file.fd(), c.offset, c.length));
        ASSERT_EQ(view.size(), c.size);
        EXPECT_TRUE(Numbered(view.data(), view.size(), std::size_t(c.offset)));
        EXPECT_TRUE(view.Intact());
    }
    FileView view;
    EXPECT_FALSE(view.Map(-1, 0, 10)) << "no file: read instead";
    EXPECT_EQ(view.size(), 0u);
}

TEST(FileView, ACutUnderTheViewIsCaughtNotRaised) {
    NumberedFile file(64 * 1024);
    FileView view;
    ASSERT_TRUE(view.Map(file.fd(), 100, 60000));
    // Reads every byte; good counts those that match, up to the first that does not.
    struct Reading {
        const uint8_t* data;
        std::size_t size, read, good;
    } r{view.data(), view.size(), 0, 0};
    const auto readAll = [](void* context) {
        auto& s = *static_cast<Reading*>(context);
        s.good = s.size;
        for (s.read = 0; s.read < s.size; ++s.read) {
            if (s.data[s.read] != uint8_t((100 + s.read) % 251) && s.good == s.size) s.good = s.read;
        }
    };
    EXPECT_TRUE(platform::ReadGuarded(view.data(), view.data() + view.size(), readAll, &r));
    EXPECT_EQ(r.good, view.size());

    file.CutTo(10000);  // the page at 8192 reads as zeros past the cut, the pages from 12288 are gone
    EXPECT_FALSE(view.Intact());
    EXPECT_FALSE(platform::ReadGuarded(view.data(), view.data() + view.size(), readAll, &r));
    EXPECT_EQ(r.good, 10000u - 100) << "the bytes before the cut are as they were";
    EXPECT_EQ(r.read, 12288u - 100) << "left at the first byte of the first page gone";
    // Again, and on another thread: the guard is per call and per thread.
    bool again = true;
    std::thread([&] { again = platform::ReadGuarded(view.data(), view.data() + view.size(), readAll, &r); }).join();
    EXPECT_FALSE(again);
}

TEST(FileViewDeathTest, ASigbusOutsideAGuardedReadStillEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            NumberedFile file(64 * 1024);
            FileView view;
            if (!view.Map(file.fd(), 0, 64 * 1024)) return;
            const auto nothing = [](void*) {};
            (void)platform::ReadGuarded(view.data(), view.data() + 10, nothing, nullptr);  // handler in place
            file.CutTo(0);
            volatile uint8_t b = view.data()[20000];
            (void)b;
        },
        "");
}

TEST(ReadAt, ReadsWhatIsThereAndNoMore) {
    const NumberedFile file(5000);
    Bytes buffer(6000);
    EXPECT_EQ(platform::ReadAt(file.fd(), 1000, buffer.data(), 3000), 3000);
    EXPECT_TRUE(Numbered(buffer.data(), 3000, 1000));
    EXPECT_EQ(platform::ReadAt(file.fd(), 4000, buffer.data(), 3000), 1000);
    EXPECT_EQ(platform::ReadAt(file.fd(), 5000, buffer.data(), 10), 0);
    EXPECT_EQ(platform::ReadAt(-1, 0, buffer.data(), 10), -1);
}

}  // namespace
}  // namespace quillon::test
