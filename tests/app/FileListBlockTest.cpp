// The file-passing block, byte for byte, and the bounds kept when reading one
// that came from another process.
#include <gtest/gtest.h>

#include <cstring>

#include "app/FileListBlock.h"
#include "app/InstanceProtocol.h"

namespace quillon::engine {
namespace {

TEST(FileListBlock, FreshBlockIsZeroFilled65540Bytes) {
    FileListBlock block;
    ASSERT_EQ(block.Size(), 65540u);
    for (std::size_t i = 0; i < block.Size(); ++i) ASSERT_EQ(block.Data()[i], 0) << i;
    EXPECT_EQ(block.Count(), 0);
}

TEST(FileListBlock, FillStoresTheFirstArgumentAndACountOfOne) {
    FileListBlock block;
    FillFileListBlock(&block, {"/music/Side A.wav", "/music/Side B.wav"});
    const uint8_t* b = block.Data();
    EXPECT_EQ(0, std::memcmp(b, "/music/Side A.wav\0", 18));           // slot 0, NUL-terminated
    for (std::size_t i = 18; i < 65536; ++i) ASSERT_EQ(b[i], 0) << i;  // slot 1 stays empty
    // count at 65,536: 32-bit little-endian 1
    EXPECT_EQ(b[65536], 1);
    EXPECT_EQ(b[65537], 0);
    EXPECT_EQ(b[65538], 0);
    EXPECT_EQ(b[65539], 0);
    EXPECT_EQ(block.Name(0), "/music/Side A.wav");
}

TEST(FileListBlock, FillWithoutArgumentsStoresCountZeroAndNoBlockIsHarmless) {
    FileListBlock block;
    FillFileListBlock(&block, {});
    EXPECT_EQ(block.RawCount(), 0);
    FillFileListBlock(nullptr, {"/a.wav"});
}

TEST(FileListBlock, LongNameArrivesCutTo256Characters) {
    const std::string longName = "/" + std::string(299, 'x');
    FileListBlock block;
    FillFileListBlock(&block, {longName});
    EXPECT_EQ(block.Name(0), longName.substr(0, 256));
    EXPECT_EQ(block.Data()[256], 0);  // slot 1 untouched
}

struct CountCase {
    int32_t stored;
    int expected;
};
class ReceivedCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(ReceivedCount, IsClampedToTheSlots) {
    FileListBlock block;
    block.SetCount(GetParam().stored);
    const FileListBlock received = FileListBlock::FromBytes(block.Data(), block.Size());
    EXPECT_EQ(received.RawCount(), GetParam().stored);
    EXPECT_EQ(received.Count(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, ReceivedCount,
                         ::testing::Values(CountCase{0, 0}, CountCase{1, 1}, CountCase{256, 256}, CountCase{257, 256},
                                           CountCase{-1, 0}, CountCase{INT32_MIN, 0}, CountCase{INT32_MAX, 256}));

TEST(FileListBlock, SlotWithoutNulIsReadTo256Bytes) {
    std::vector<uint8_t> bytes(65540, 'a');
    const FileListBlock block = FileListBlock::FromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(block.Name(255), std::string(256, 'a'));
    EXPECT_EQ(block.Name(256), "");  // past the last slot
}

TEST(FileListBlock, ShortPayloadIsZeroPaddedAndLongOneCut) {
    const char name[] = "/x.wav";
    const FileListBlock shortBlock = FileListBlock::FromBytes(name, sizeof name);
    EXPECT_EQ(shortBlock.Name(0), "/x.wav");
    EXPECT_EQ(shortBlock.Count(), 0);
    std::vector<uint8_t> longer(70000, 0);
    longer[65536] = 2;
    longer[65540] = 9;
    const FileListBlock cut = FileListBlock::FromBytes(longer.data(), longer.size());
    EXPECT_EQ(cut.Count(), 2);
}

struct GreetingCase {
    const char* greeting;
    bool matches;
};
class Greeting : public ::testing::TestWithParam<GreetingCase> {};

TEST_P(Greeting, NamesTheMainWindow) { EXPECT_EQ(IsMainWindowGreeting(GetParam().greeting), GetParam().matches); }

INSTANTIATE_TEST_SUITE_P(Greetings, Greeting,
                         ::testing::Values(GreetingCase{"TMainForm\nCorvane Quillon\n", true},
                                           GreetingCase{"tmainform\nCorvane Quillon\n", true},  // class ignores case
                                           GreetingCase{"TMainForm\nSide A - Corvane Quillon\n",
                                                        true},                                   // caption contains it
                                           GreetingCase{"TMainForm\ncorvane quillon\n", false},  // caption does not
                                           GreetingCase{"TMainForm2\nCorvane Quillon\n", false},
                                           GreetingCase{"TMainForm\nCorvane Quillon", false},  // cut short
                                           GreetingCase{"", false}));

TEST(Greeting, RoundTripsAndReadsOnlyTheLookUpsBuffers) {
    EXPECT_TRUE(IsMainWindowGreeting(MainWindowGreeting(kMainWindowClass, "Corvane Quillon")));
    // The caption is read into 260 characters: a name past them is not seen.
    EXPECT_FALSE(IsMainWindowGreeting(MainWindowGreeting(kMainWindowClass, std::string(250, ' ') + "Corvane Quillon")));
}

}  // namespace
}  // namespace quillon::engine
