// The LAME shim's stream table: handles come back after a close, and streams
// opened, encoded and closed from several threads at once stay apart.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "export/mp3/Lame_dll.h"
#include "libs/lame_enc/LameEnc.h"

namespace {

constexpr uint32_t kOk = LAME_ENC_OK, kNoStream = LAME_ENC_NO_STREAM;

uint32_t Open(uint32_t rate, uint16_t channels, uint32_t& frames, uint32_t& bufferBytes) {
    const LameEncConfig c = quillon::engine::MakeLameConfig(rate, channels, 128);
    uint32_t handle = 0;
    EXPECT_EQ(beInitStream(&c, &frames, &bufferBytes, &handle), kOk);
    return handle;
}

TEST(LameStreams, ClosedHandlesAreReusedAndRefusedUntilThen) {
    uint32_t frames = 0, bytes = 0;
    const uint32_t a = Open(44100, 2, frames, bytes), b = Open(44100, 2, frames, bytes);
    ASSERT_NE(a, 0u);
    ASSERT_NE(a, b);
    EXPECT_EQ(beCloseStream(a), kOk);
    std::vector<uint8_t> out(bytes);
    uint32_t n = 0;
    const std::vector<int16_t> pcm(2 * frames);
    EXPECT_EQ(beEncodeChunk(a, uint32_t(pcm.size()), pcm.data(), out.data(), &n), kNoStream);
    EXPECT_EQ(beDeinitStream(a, out.data(), &n), kNoStream);
    for (const uint32_t bad : {a, 0u, 0xFFFFFFFFu}) EXPECT_EQ(beCloseStream(bad), kNoStream) << bad;
    // Opening and closing over and over does not grow the table.
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(Open(44100, 2, frames, bytes), a);
        EXPECT_EQ(beCloseStream(a), kOk);
    }
    EXPECT_EQ(beCloseStream(b), kOk);
}

// The whole MP3 of one second of a tone at pitch.
std::vector<uint8_t> Encode(int pitch, uint16_t channels) {
    uint32_t frames = 0, bytes = 0;
    const uint32_t handle = Open(44100, channels, frames, bytes);
    std::vector<uint8_t> mp3, out(bytes);
    std::vector<int16_t> pcm(channels * frames);
    uint32_t n = 0;
    for (uint32_t at = 0; at < 44100; at += frames) {
        for (uint32_t i = 0; i < pcm.size(); ++i)
            pcm[i] = int16_t(8000 * std::sin(double(at + i / channels) * pitch * 6.2832 / 44100 + (i % channels)));
        EXPECT_EQ(beEncodeChunk(handle, uint32_t(pcm.size()), pcm.data(), out.data(), &n), kOk);
        mp3.insert(mp3.end(), out.begin(), out.begin() + n);
    }
    EXPECT_EQ(beDeinitStream(handle, out.data(), &n), kOk);
    mp3.insert(mp3.end(), out.begin(), out.begin() + n);
    EXPECT_EQ(beCloseStream(handle), kOk);
    return mp3;
}

// Each thread keeps a second stream open across its encode while the others
// open and close theirs, so the table changes under every call; each result
// must equal the same encoding done alone.
TEST(LameStreams, ThreadsEncodeAtOnceWithoutDisturbingEachOther) {
    constexpr int kThreads = 4;
    const auto pitch = [](int t) { return 220 * (t + 1); };
    const auto channels = [](int t) { return uint16_t(1 + t % 2); };
    std::vector<std::vector<uint8_t>> alone;
    for (int t = 0; t < kThreads; ++t) alone.push_back(Encode(pitch(t), channels(t)));
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 6; ++round) {
                uint32_t frames = 0, bytes = 0;
                const uint32_t extra = Open(22050, 1, frames, bytes);
                if (Encode(pitch(t), channels(t)) != alone[std::size_t(t)]) ++mismatches[std::size_t(t)];
                EXPECT_EQ(beCloseStream(extra), kOk);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}

}  // namespace
