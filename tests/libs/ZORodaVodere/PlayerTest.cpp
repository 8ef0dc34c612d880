// The preview player library on SDL's dummy driver (real-time pace, no sound
// card) and its disk driver (what was played lands in a file).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
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
                      Refusal{"ALaw",
                              [] {
                                  return PcmWave(Format{6, 1, 8000, 8}, kSecond);
                              },
                              0, 100, 109},
                      Refusal{"FortyEightBit",
                              [] {
                                  return PcmWave(Format{1, 1, 8000, 48}, kSecond);
                              },
                              0, 100, 109},
                      Refusal{"BlockAlignTooSmall",
                              [] {
                                  return PcmWave(Format{1, 2, 8000, 16, 3}, kSecond);
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

// A stretch of a file and what the device must get for it: the file's own
// bytes, or for a frame with padding or samples narrower than their
// containers, the samples the analysis reads, as 8-, 16- or 32-bit PCM or
// 32-bit float.
struct Played {
    const char* name;
    Format format;
    Bytes data;
    uint32_t start, stop;
    Bytes expected;
};
void PrintTo(const Played& p, std::ostream* os) { *os << p.name; }

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
    const bool eightBit = p.format.bits == 8;
    const uint8_t silence = eightBit ? 0x80 : 0;
    const std::size_t sampleBytes = eightBit ? 1u : p.format.bits <= 16 ? 2u : 4u;
    const std::size_t frame = (p.format.channels == 1 ? 1u : 2u) * sampleBytes;
    std::size_t lead = 0;
    while (lead + frame <= played.size() &&
           std::all_of(played.begin() + std::ptrdiff_t(lead), played.begin() + std::ptrdiff_t(lead + frame),
                       [silence](uint8_t b) { return b == silence; }))
        lead += frame;
    played.erase(played.begin(), played.begin() + std::ptrdiff_t(lead));
    const std::size_t n = p.expected.size();
    ASSERT_GE(played.size(), n);
    EXPECT_TRUE(std::equal(p.expected.begin(), p.expected.end(), played.begin()));
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

Bytes Slice(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(to));
}

// 16-bit stereo frames of 6 bytes: two samples, then two bytes of padding
// that must never reach the device. With padding: the file; without: the sound.
Bytes PaddedStereo16(uint32_t frames, bool padding) {
    Bytes b;
    for (uint32_t i = 0; i < frames; ++i) {
        for (const auto v : {uint16_t(i * 7), uint16_t(40000 - i * 3)}) {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        }
        if (padding) b.insert(b.end(), {0xA5, 0x5A});
    }
    return b;
}

// 24-bit stereo frames: a ramp in each channel; played, each sample is the
// top three bytes of a 32-bit one.
Bytes Ramp24Stereo(uint32_t frames, bool widened) {
    Bytes b;
    for (uint32_t i = 0; i < frames; ++i) {
        for (const uint32_t v : {i * 0x1357u + 1, 0xFFFFFFu - i * 0x0BCDu}) {
            if (widened) b.push_back(0);
            for (int k = 0; k < 3; ++k) b.push_back(uint8_t(v >> (8 * k)));
        }
    }
    return b;
}

// Floating-point mono: values a float holds exactly, as 64-bit doubles in the
// file and 32-bit floats played.
template <typename Real>
Bytes RampFloat(uint32_t frames) {
    Bytes b;
    for (uint32_t i = 0; i < frames; ++i) {
        const Real v = Real(int(i % 256) - 100) / Real(128);
        uint8_t bytes[sizeof v];
        std::memcpy(bytes, &v, sizeof v);
        for (uint8_t x : bytes) b.push_back(x);
    }
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PlayerOnDisk,
    ::testing::Values(
        // 8 kHz 16-bit mono, 250..600 ms: frames 2000..4800, 2 bytes each
        Played{"Mono16", kMono16, Ramp16Mono(8000), 250, 600, Slice(Ramp16Mono(8000), 4000, 9600)},
        // 11.025 kHz 8-bit stereo, 100..300 ms: frames 1102(.5 rounds to even)..3308, 2 bytes each
        Played{"Stereo8", Format{1, 2, 11025, 8}, Ramp8Stereo(11025), 100, 300, Slice(Ramp8Stereo(11025), 2204, 6616)},
        // 8 kHz, frames 2000..4800 again: 4 of every 6 bytes are played
        Played{"Stereo16PaddedBlockAlign", Format{1, 2, 8000, 16, 6}, PaddedStereo16(8000, true), 250, 600,
               Slice(PaddedStereo16(8000, false), 8000, 19200)},
        // 12-bit samples in 16-bit containers: the containers as they are
        Played{"TwelveBitsIn16", Format{1, 1, 8000, 12, 2}, Ramp16Mono(8000), 250, 600,
               Slice(Ramp16Mono(8000), 4000, 9600)},
        // A 14-byte fmt chunk ends before the sample width, which the analysis then reads as 16 bits
        Played{"FmtChunkWithoutSampleWidth", Format{1, 1, 8000, 16, 2, 14}, Ramp16Mono(8000), 250, 600,
               Slice(Ramp16Mono(8000), 4000, 9600)},
        // frames 2000..4800 of 6 bytes in the file, 8 on the device
        Played{"TwentyFourBitWidened", Format{1, 2, 8000, 24}, Ramp24Stereo(8000, false), 250, 600,
               Slice(Ramp24Stereo(8000, true), 16000, 38400)},
        // frames 2000..4800 of 8 bytes in the file, 4 on the device
        Played{"Float64AsFloat32", Format{3, 1, 8000, 64}, RampFloat<double>(8000), 250, 600,
               Slice(RampFloat<float>(8000), 8000, 19200)}),
    [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace quillon::test
