// The read-ahead of the save: blocks in order, the end, a short file, and
// leaving early.
#include <gtest/gtest.h>

#include <numeric>

#include "export/PrefetchReader.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

using platform::UniqueHmmio;

struct Stretch {
    const char* name;
    std::size_t fileBytes, from, length, block;
};

class Prefetch : public ::testing::TestWithParam<Stretch> {};

TEST_P(Prefetch, HandsOverTheStretchBlockByBlock) {
    const Stretch& s = GetParam();
    test::TempDir dir;
    test::Bytes bytes(s.fileBytes);
    std::iota(bytes.begin(), bytes.end(), uint8_t(0));
    UniqueHmmio file(platform::mmioOpen(dir.Write("f", bytes), nullptr, platform::MMIO_READ));
    ASSERT_TRUE(file);
    ASSERT_EQ(platform::mmioSeek(file.get(), int64_t(s.from), SEEK_SET), int64_t(s.from));
    std::vector<uint8_t> a(s.block), b(s.block);
    PrefetchReader reader(file.get(), int64_t(s.length), a, b);
    test::Bytes got;
    for (;;) {
        const PrefetchReader::Block block = reader.Next();
        if (block.size == 0) break;
        ASSERT_LE(std::size_t(block.size), s.block);
        got.insert(got.end(), block.data, block.data + block.size);
    }
    const std::size_t available = std::min(s.length, s.fileBytes - s.from);
    EXPECT_EQ(got,
              test::Bytes(bytes.begin() + std::ptrdiff_t(s.from), bytes.begin() + std::ptrdiff_t(s.from + available)));
    EXPECT_EQ(reader.Next().size, 0);  // and stays at the end
}

INSTANTIATE_TEST_SUITE_P(Stretches, Prefetch,
                         ::testing::Values(Stretch{"WholeBlocks", 1000, 100, 64, 16},
                                           Stretch{"LastBlockShort", 1000, 3, 70, 16},
                                           Stretch{"OneBlock", 1000, 0, 10, 16}, Stretch{"Empty", 1000, 500, 0, 16},
                                           Stretch{"FileEndsFirst", 100, 90, 64, 16}),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST(Prefetch, CanBeLeftBeforeTheEnd) {
    test::TempDir dir;
    UniqueHmmio file(platform::mmioOpen(dir.Write("f", test::Bytes(4096, 7)), nullptr, platform::MMIO_READ));
    std::vector<uint8_t> a(16), b(16);
    {
        PrefetchReader reader(file.get(), 4096, a, b);
        EXPECT_EQ(reader.Next().size, 16);
    }  // an abort: the reader stops and is joined here, and the file is the caller's again
    EXPECT_GE(platform::mmioSeek(file.get(), 0, SEEK_CUR), 16);
    EXPECT_EQ(platform::mmioSeek(file.get(), 0, SEEK_SET), 0);
}

}  // namespace
}  // namespace quillon::engine
