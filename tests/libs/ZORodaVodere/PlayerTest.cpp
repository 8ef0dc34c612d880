// The preview player library on SDL's dummy driver (real-time pace, no sound
// card) and its disk driver (what was played lands in a file).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "libs/ZORodaVodere/ZORodaVodere.h"
#include "support/EnvGuard.h"
#include "support/TestWave.h"

// SDL's queue call as the player reaches it, standing in for a feeder thread
// that loses the processor right after queueing: when a test sets a delay,
// the call returns only that long after the bytes are in SDL's queue.
std::atomic<int> gQueueDelayMs{0};

extern "C" int SDL_QueueAudio(uint32_t device, const void* data, uint32_t bytes) {
    using Queue = int (*)(uint32_t, const void*, uint32_t);
    static const auto sdl = reinterpret_cast<Queue>(dlsym(RTLD_NEXT, "SDL_QueueAudio"));
    const int result = sdl(device, data, bytes);
    if (const int ms = gQueueDelayMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return result;
}

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

// A ramp that never repeats within a second, so a misplaced byte shows.
Bytes Ramp16Mono(uint32_t frames) {
    Bytes b;
    for (uint32_t i = 0; i < frames; ++i) {
        const auto v = uint16_t(i * 7);
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    }
    return b;
}

const Format kMono16{1, 1, 8000, 16};

bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class PlayerTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(AudioStop(), 0); }
    TempDir dir_;
    EnvGuard driver_{"SDL_AUDIODRIVER", "dummy"};
};

struct Refusal {
    const char* name;
    std::function<Bytes()> file;  // nullptr: no file at all
    uint32_t start, stop;
    uint16_t code;
};

class PlayerRefusal : public PlayerTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PlayerRefusal, GivesItsCode) {
    const Refusal& r = GetParam();
    const std::string path = r.file ? dir_.Write("case.wav", r.file()) : dir_.path() + "/missing.wav";
    EXPECT_EQ(AudioPlayWave(path.c_str(), r.start, 0, 0, 0, r.stop), r.code);
    EXPECT_EQ(AudioGetPosition(0), 0u);
}

const Bytes kSecond = Ramp16Mono(8000);

INSTANTIATE_TEST_SUITE_P(
    Files, PlayerRefusal,
    ::testing::Values(Refusal{"Missing", nullptr, 0, 100, 102},
                      Refusal{"NotRiff", [] { return Bytes{'h', 'e', 'l', 'l', 'o', 0, 0, 0, 0, 0, 0, 0}; }, 0, 100,
                              107},
                      Refusal{"RiffOfAnotherForm",
                              [] {
                                  return Riff({Chunk("data", {1, 2})}, "AVI ");
                              },
                              0, 100, 107},
                      Refusal{"NoFmtChunk", [] { return Riff({Chunk("data", kSecond)}); }, 0, 100, 108},
                      Refusal{"NotPcm",
                              [] {
                                  return PcmWave(Format{3, 1, 8000, 32}, kSecond);
                              },
                              0, 100, 109},
                      Refusal{"TwentyFourBit",
                              [] {
                                  return PcmWave(Format{1, 1, 8000, 24}, kSecond);
                              },
                              0, 100, 109},
                      Refusal{"NoDataChunk", [] { return Riff({Chunk("fmt ", FmtBody(kMono16))}); }, 0, 100, 110},
                      Refusal{"EmptyData", [] { return PcmWave(kMono16, {}); }, 0, 100, 117},
                      Refusal{"EmptyStretch", [] { return PcmWave(kMono16, kSecond); }, 500, 500, 117},
                      Refusal{"StretchPastTheEnd", [] { return PcmWave(kMono16, kSecond); }, 2000, 3000, 117}),
    [](const auto& tp) { return std::string(tp.param.name); });

TEST_F(PlayerTest, NoFileNameIs100) {
    EXPECT_EQ(AudioPlayWave(nullptr, 0, 0, 0, 0, 100), 100);
    EXPECT_EQ(AudioPlayWave("", 0, 0, 0, 0, 100), 100);
}

TEST_F(PlayerTest, NoAudioDriverIsNoPlaybackDevice) {
    EnvGuard none("SDL_AUDIODRIVER", "no-such-driver");
    const std::string path = dir_.Write("a.wav", PcmWave(kMono16, kSecond));
    EXPECT_EQ(AudioPlayWave(path.c_str(), 0, 0, 0, 0, 500), 104);
}

TEST_F(PlayerTest, PositionMovesAtPlayingPaceAndStopIsImmediate) {
    const std::string path = dir_.Write("long.wav", PcmWave(kMono16, Ramp16Mono(8000 * 20)));
    ASSERT_EQ(AudioPlayWave(path.c_str(), 2000, 0, 0, 0, 15000), 0);
    EXPECT_EQ(AudioPlayWave(path.c_str(), 0, 0, 0, 0, 1000), 101);
    const uint32_t first = AudioGetPosition(0);
    EXPECT_GE(first, 2000u);
    std::this_thread::sleep_for(400ms);
    const uint32_t later = AudioGetPosition(0);
    // Played, not dumped: well under the 13 s the stretch lasts.
    EXPECT_GT(later, first);
    EXPECT_LT(later, 2000u + 5000u);
    EXPECT_EQ(AudioStop(), 0);
    EXPECT_EQ(AudioGetPosition(0), 0u);
    EXPECT_EQ(AudioPlayWave(path.c_str(), 0, 0, 0, 0, 1000), 0);  // free again at once
}

TEST_F(PlayerTest, PositionNeverGoesBackWhileTheFeederQueues) {
    // 48 kHz 16-bit stereo: the feeder tops the queue up with 64 KiB, a third
    // of a second, several times a second.
    const Format cd{1, 2, 48000, 16};
    const std::string path = dir_.Write("cd.wav", PcmWave(cd, Bytes(48000 * 4 * 4, 0)));
    ASSERT_EQ(AudioPlayWave(path.c_str(), 0, 0, 0, 0, 4000), 0);
    gQueueDelayMs.store(50);
    std::vector<uint32_t> seen{AudioGetPosition(0)};
    const auto end = std::chrono::steady_clock::now() + 1000ms;
    while (std::chrono::steady_clock::now() < end) {
        seen.push_back(AudioGetPosition(0));
        std::this_thread::sleep_for(1ms);
    }
    gQueueDelayMs.store(0);
    EXPECT_GT(seen.back(), seen.front());
    const auto back = std::adjacent_find(seen.begin(), seen.end(), std::greater<>());
    EXPECT_TRUE(back == seen.end()) << "the position went from " << *back << " to " << *std::next(back) << " ms";
}

TEST_F(PlayerTest, StretchEndsByItself) {
    const std::string path = dir_.Write("short.wav", PcmWave(kMono16, kSecond));
    ASSERT_EQ(AudioPlayWave(path.c_str(), 100, 0, 0, 0, 400), 0);
    EXPECT_TRUE(WaitUntil([] { return AudioGetPosition(0) == 0; }, 5000ms));
    EXPECT_EQ(AudioPlayWave(path.c_str(), 0, 0, 0, 0, 100), 0);
}

TEST_F(PlayerTest, StopWithNothingPlayingSucceeds) { EXPECT_EQ(AudioStop(), 0); }

struct Played {
    const char* name;
    Format format;
    Bytes data;
    uint32_t start, stop;
    std::size_t from, to;  // the stretch's bytes in data
};

class PlayerOnDisk : public PlayerTest, public ::testing::WithParamInterface<Played> {};

TEST_P(PlayerOnDisk, PlaysExactlyTheStretch) {
    const Played& p = GetParam();
    const std::string out = dir_.path() + "/played.raw";
    EnvGuard disk("SDL_AUDIODRIVER", "disk");
    EnvGuard file("SDL_DISKAUDIOFILE", out);
    const std::string path = dir_.Write("src.wav", PcmWave(p.format, p.data));
    ASSERT_EQ(AudioPlayWave(path.c_str(), p.start, 0, 0, 0, p.stop), 0);
    ASSERT_TRUE(WaitUntil([] { return AudioGetPosition(0) == 0; }, 5000ms));
    ASSERT_EQ(AudioStop(), 0);
    Bytes played = ReadFile(out);
    // The device may have played silence while it was being set up; the
    // stretch follows it, then silence again.
    const uint8_t silence = p.format.bits == 8 ? 0x80 : 0;
    const std::size_t frame = p.format.channels * p.format.bits / 8u;
    std::size_t lead = 0;
    while (lead + frame <= played.size() &&
           std::all_of(played.begin() + std::ptrdiff_t(lead), played.begin() + std::ptrdiff_t(lead + frame),
                       [silence](uint8_t b) { return b == silence; }))
        lead += frame;
    played.erase(played.begin(), played.begin() + std::ptrdiff_t(lead));
    const std::size_t n = p.to - p.from;
    ASSERT_GE(played.size(), n);
    EXPECT_TRUE(
        std::equal(played.begin(), played.begin() + std::ptrdiff_t(n), p.data.begin() + std::ptrdiff_t(p.from)));
    for (std::size_t i = n; i < played.size(); ++i) ASSERT_EQ(played[i], silence) << i;
}

Bytes Ramp8Stereo(uint32_t frames) {
    Bytes b;
    for (uint32_t i = 0; i < frames; ++i) {
        b.push_back(uint8_t(i));
        b.push_back(uint8_t(255 - i % 251));
    }
    return b;
}

INSTANTIATE_TEST_SUITE_P(Layouts, PlayerOnDisk,
                         ::testing::Values(
                             // 8 kHz 16-bit mono, 250..600 ms: frames 2000..4800, 2 bytes each
                             Played{"Mono16", kMono16, Ramp16Mono(8000), 250, 600, 4000, 9600},
                             // 11.025 kHz 8-bit stereo, 100..300 ms: frames 1102(.5 rounds to even)..3308, 2 bytes each
                             Played{"Stereo8", Format{1, 2, 11025, 8}, Ramp8Stereo(11025), 100, 300, 2204, 6616}),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace quillon::test
