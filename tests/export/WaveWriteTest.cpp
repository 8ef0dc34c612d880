#include <gtest/gtest.h>

#include "analysis/WaveRead.h"
#include "export/WaveWrite.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace engine;
using namespace platform;

WaveFormat PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveFormat f;
    f.wFormatTag = 1;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = uint16_t(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.wBitsPerSample = bits;
    return f;
}

TEST(WaveWrite, EmptyProbeFileIs46Bytes) {
    TempDir dir;
    const std::string path = dir.path() + "/temp.wav";
    ASSERT_TRUE(CloseEmptyWave(CreateEmptyWave(path, 44100, 16, 2)));
    const Bytes expected{
        'R',  'I',  'F',  'F', 38, 0, 0, 0,  // RIFF size: 38 + 0
        'W',  'A',  'V',  'E',               //
        'f',  'm',  't',  ' ', 18, 0, 0, 0,  // an 18-byte fmt chunk
        1,    0,                             // PCM
        2,    0,                             // channels
        0x44, 0xAC, 0,    0,                 // 44100 samples per second
        0x10, 0xB1, 0x02, 0,                 // 176400 bytes per second
        4,    0,                             // block align
        16,   0,                             // bits per sample
        0,    0,                             // extra size
        'd',  'a',  't',  'a', 0,  0, 0, 0,  // no samples
    };
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(WaveWrite, OddDataGetsAPadByteThatOnlyTheRiffSizeCounts) {
    TempDir dir;
    const std::string path = dir.path() + "/odd.wav";
    const WaveFormat f = PcmFormat(1, 8000, 8);
    MMCKINFO riff, data;
    HMMIO h = CreateWaveOutput(path, f, riff, data);
    ASSERT_NE(h, nullptr);
    const uint8_t samples[3] = {0x80, 0x81, 0x7F};
    ASSERT_EQ(mmioWrite(h, samples, 3), 3);
    ASSERT_TRUE(CloseWaveOutput(h, data, riff));

    const Bytes b = ReadFile(path);
    ASSERT_EQ(b.size(), 46u + 3 + 1);
    EXPECT_EQ(Le32(b, 4), 38u + 3 + 1) << "RIFF size counts the pad";
    EXPECT_EQ(Le32(b, 16), 18u);
    const auto format = f.ToBytes();
    EXPECT_EQ(Bytes(b.begin() + 20, b.begin() + 38), Bytes(format.begin(), format.end()));
    EXPECT_EQ(Le32(b, 42), 3u) << "data size does not";
    EXPECT_EQ(Bytes(b.begin() + 46, b.end()), (Bytes{0x80, 0x81, 0x7F, 0}));
}

TEST(WaveWrite, ReplacesAnExistingFileAndReadsBack) {
    TempDir dir;
    const std::string path = dir.Write("track.wav", Bytes(100000, 0xEE));
    const WaveFormat f = PcmFormat(2, 44100, 16);
    const Bytes samples = Pcm(16, 2).Loud(10).Silent(5).bytes();
    MMCKINFO riff, data;
    HMMIO h = CreateWaveOutput(path, f, riff, data);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(mmioWrite(h, samples.data(), int64_t(samples.size())), int64_t(samples.size()));
    ASSERT_TRUE(CloseWaveOutput(h, data, riff));
    EXPECT_EQ(ReadFile(path).size(), 46 + samples.size());

    RecordingSeam seam;
    UniqueHmmio in;
    WaveFormat back;
    MMCKINFO dataChunk;
    uint64_t size = 0;
    ASSERT_TRUE(OpenWaveFile(path, in, back, dataChunk, size, seam));
    EXPECT_EQ(back.ToBytes(), f.ToBytes());
    EXPECT_EQ(size, samples.size());
    Bytes read(size);
    EXPECT_EQ(mmioRead(in.get(), read.data(), size), int64_t(size));
    EXPECT_EQ(read, samples);
}

// An RF64 file's sizes are written before its data (its layout and the
// save that makes one: WideSaveTest): data that falls short of them is a
// failed close.
TEST(WaveWrite, Rf64DataShortOfItsSizesFailsToClose) {
    TempDir dir;
    const Bytes fmtBody = ExtensibleFmtBody(2, 48000, 24, 24, 1);
    WaveFormat f;
    ASSERT_EQ(ParseFormatChunk(fmtBody.data(), fmtBody.size(), f), FormatVerdict::Wide);
    MMCKINFO riff, data;
    HMMIO h = CreateWaveOutput(dir.path() + "/short.wav", f, riff, data, uint64_t(1) << 32);
    ASSERT_NE(h, nullptr);
    const Bytes frame{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(mmioWrite(h, frame.data(), 6), 6);
    EXPECT_FALSE(CloseWaveOutput(h, data, riff));
}

TEST(WaveWrite, FailuresReturnNoHandle) {
    TempDir dir;
    MMCKINFO riff, data;
    EXPECT_EQ(CreateWaveOutput(dir.path() + "/missing/x.wav", WaveFormat{}, riff, data), nullptr);
    EXPECT_EQ(CreateEmptyWave(dir.path() + "/missing/temp.wav", 44100, 16, 2), nullptr);
    EXPECT_FALSE(CloseEmptyWave(nullptr));
    EXPECT_FALSE(CloseWaveOutput(nullptr, data, riff));
}

}  // namespace
}  // namespace quillon::test
