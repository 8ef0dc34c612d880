// Recordings at the limits: the largest data chunk a RIFF size field allows
// (sparse files: silence, with a few loud bursts written in), scanned, cut and
// previewed where byte offsets pass 2 GiB and 4 GiB and milliseconds times the
// rate pass 32 bits; and a recording of more than 10,000 tracks.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <thread>

#include "analysis/SilenceDetect.h"
#include "analysis/TrackTimes.h"
#include "export/SaveJob.h"
#include "libs/ZORodaVodere/ZORodaVodere.h"
#include "support/EnvGuard.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

using test::Bytes;

constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - 36;  // RIFF size 0xFFFFFFFF

struct Burst {
    uint64_t startSecond, seconds;
};

// A sparse 16-bit wave file of kMaxDataBytes data bytes, silent but for the bursts.
class HugeWave {
public:
    HugeWave(const std::string& path, uint16_t channels, uint32_t rate, const std::vector<Burst>& bursts)
        : path_(path), align_(uint32_t(channels) * 2), rate_(rate) {
        const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        EXPECT_GE(fd, 0);
        Bytes header = test::PcmWave(test::Format{1, channels, rate, 16}, {});
        header.resize(44);
        const auto put32 = [&header](std::size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) header[at + std::size_t(i)] = uint8_t(v >> (8 * i));
        };
        put32(4, 0xFFFFFFFFu);
        put32(40, kMaxDataBytes);
        EXPECT_EQ(pwrite(fd, header.data(), header.size(), 0), 44);
        EXPECT_EQ(ftruncate(fd, off_t(44) + kMaxDataBytes), 0);
        for (const Burst& b : bursts) {
            const Bytes loud = Loud(b.startSecond * rate * align_, b.seconds * rate * align_);
            EXPECT_EQ(pwrite(fd, loud.data(), loud.size(), off_t(44 + b.startSecond * rate * align_)),
                      ssize_t(loud.size()));
        }
        close(fd);
    }
    ~HugeWave() { std::filesystem::remove(path_); }

    [[nodiscard]] uint64_t Frames() const { return kMaxDataBytes / align_; }
    [[nodiscard]] double Seconds() const { return double(Frames()) / rate_; }
    // The milliseconds of a frame position, rounded to nearest (no case here is a tie).
    [[nodiscard]] uint64_t Ms(uint64_t frame) const { return (frame * 1000 + rate_ / 2) / rate_; }
    // The data bytes from one frame position to another, read back from the file.
    [[nodiscard]] Bytes Read(uint64_t fromFrame, uint64_t toFrame) const {
        Bytes b(std::size_t((toFrame - fromFrame) * align_));
        const int fd = open(path_.c_str(), O_RDONLY);
        EXPECT_EQ(pread(fd, b.data(), b.size(), off_t(44 + fromFrame * align_)), ssize_t(b.size()));
        close(fd);
        return b;
    }
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    // Loud samples that differ from one to the next and from burst to burst,
    // so a cut in the wrong place shows.
    static Bytes Loud(uint64_t offset, uint64_t length) {
        Bytes b(length);
        for (uint64_t i = 0; i + 1 < length; i += 2) {
            const auto v = int16_t(((offset + i) / 2 % 2 ? 1 : -1) * (20000 + int((offset + i) % 9973)));
            b[i] = uint8_t(uint16_t(v));
            b[i + 1] = uint8_t(uint16_t(v) >> 8);
        }
        return b;
    }
    std::string path_;
    uint32_t align_, rate_;
};

struct HugeCase {
    const char* name;
    uint16_t channels;
    uint32_t rate;
};

class HugeRecording : public ::testing::TestWithParam<HugeCase> {};

TEST_P(HugeRecording, IsScannedAndCutAcrossTheSizeLimits) {
    const HugeCase c = GetParam();
    const uint64_t align = uint64_t(c.channels) * 2;
    const uint64_t twoGiBSecond = (uint64_t(1) << 31) / (c.rate * align);
    const auto last = uint64_t(kMaxDataBytes / align / c.rate);  // whole seconds in the file
    // Bursts 4 s or more apart: one near the start, one straddling 2 GiB, two near the end.
    const std::vector<Burst> bursts = {
        {10, 1},        {twoGiBSecond - 6, 1}, {twoGiBSecond - 1, 2}, {twoGiBSecond + 5, 1},
        {last - 14, 1}, {last - 8, 1},         {last - 3, 1}};
    test::TempDir dir;
    const HugeWave wave(dir.path() + "/Huge.wav", c.channels, c.rate, bursts);

    // Each silence's middle is a boundary: the leading silence, then every gap.
    std::vector<uint64_t> boundaries = {0, 5 * uint64_t(c.rate)};
    for (std::size_t i = 0; i + 1 < bursts.size(); ++i) {
        const uint64_t from = (bursts[i].startSecond + bursts[i].seconds) * c.rate;
        const uint64_t to = bursts[i + 1].startSecond * c.rate;
        boundaries.push_back(from + (to - from) / 2);
    }
    boundaries.push_back(wave.Frames());

    AnalysisJob job;
    TrackList tracks;
    test::RecordingSeam seam;
    ASSERT_EQ(AnalyzeWaveFile(wave.path(), 10, 3000, job, tracks, seam), ScanOutcome::Completed);
    ASSERT_TRUE(seam.boxes.empty());
    ASSERT_EQ(seam.waveInfo.size(), 1u);
    EXPECT_EQ(seam.waveInfo[0].durationMs, wave.Ms(wave.Frames()));
    ASSERT_EQ(tracks.size(), boundaries.size() - 1);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        EXPECT_EQ(tracks[i].Start, FormatTime(uint32_t(wave.Ms(boundaries[i])))) << i;
        EXPECT_EQ(tracks[i].Stop, FormatTime(uint32_t(wave.Ms(boundaries[i + 1])))) << i;
        EXPECT_EQ(uint64_t(uint32_t(TimeTextToMs(tracks[i].Stop))), wave.Ms(boundaries[i + 1])) << i;
    }

    // Save the short tracks: the one across 2 GiB and the last two, up to the last byte.
    SaveJob save;
    save.SourcePath = wave.path();
    save.Tracks = tracks;
    save.OutputFolder = dir.path() + "/";
    const std::vector<std::size_t> chosen = {3, 6, 7};
    for (auto& t : save.Tracks) t.Checked = 0;
    for (std::size_t i : chosen) {
        save.Tracks[i].Checked = 1;
        save.CheckedDurationMs += uint32_t(TimeTextToMs(save.Tracks[i].Duration));
    }
    save.State = JobRunning;
    ASSERT_EQ(RunSaveJob(save, seam, SaveHooks{}), SaveEnd::Finished);
    EXPECT_TRUE(seam.boxes.empty());
    WaveFormat format;
    format.nSamplesPerSec = c.rate;
    // The cut converts the track's times back to frames.
    const auto frame = [&format](const std::string& time) {
        return uint64_t(ConvertPosition(uint32_t(TimeTextToMs(time)), UnitMilliseconds, UnitFrames, format));
    };
    for (std::size_t i : chosen) {
        const Bytes file = test::ReadFile(dir.path() + "/" + tracks[i].Name + ".wav");
        const uint64_t from = frame(tracks[i].Start), to = std::min(frame(tracks[i].Stop), wave.Frames());
        EXPECT_EQ(from, boundaries[i]) << i;
        const Bytes expected = wave.Read(from, to);
        ASSERT_EQ(file.size(), 44 + 2 + expected.size() + expected.size() % 2) << i;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 46)) << i;
        EXPECT_EQ(save.Tracks[i].WaveSaved, 1) << i;
    }
}

// The preview player on SDL's disk driver: a quarter second from inside the
// burst past 2 GiB comes out as the file's own bytes.
TEST_P(HugeRecording, IsPreviewedPastTwoGiB) {
    const HugeCase c = GetParam();
    const uint64_t align = uint64_t(c.channels) * 2;
    const uint64_t twoGiBSecond = (uint64_t(1) << 31) / (c.rate * align);
    test::TempDir dir;
    const HugeWave wave(dir.path() + "/Huge.wav", c.channels, c.rate, {{twoGiBSecond - 1, 2}});
    const std::string out = dir.path() + "/played.raw";
    const test::EnvGuard driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", out),
        pace("SDL_DISKAUDIODELAY", "0");
    const auto startMs = uint32_t(twoGiBSecond * 1000 + 250);
    ASSERT_EQ(AudioPlayWave(wave.path().c_str(), startMs, 0, 0, 0, startMs + 250), 0);
    for (int i = 0; i < 1000 && AudioGetPosition(0) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(AudioStop(), 0);
    Bytes played = test::ReadFile(out);
    // Silence may come first while the device starts; no sample of the burst is 0.
    const auto first = std::find_if(played.begin(), played.end(), [](uint8_t b) { return b != 0; });
    played.erase(played.begin(),
                 played.begin() + (first - played.begin()) / std::ptrdiff_t(align) * std::ptrdiff_t(align));
    const uint64_t from = uint64_t(startMs) * c.rate / 1000, to = uint64_t(startMs + 250) * c.rate / 1000;
    const Bytes expected = wave.Read(from, to);
    ASSERT_GE(played.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
}

INSTANTIATE_TEST_SUITE_P(Layouts, HugeRecording,
                         ::testing::Values(HugeCase{"Mono8kHz", 1, 8000}, HugeCase{"Stereo44kHz", 2, 44100}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ManyTracks, GetFiveDigitNumbers) {
    // 10,050 pieces of 20 ms, 20 ms apart, at 1 kHz; silences over 10 ms count.
    test::Pcm pcm(16, 1);
    for (int i = 0; i < 10050; ++i) pcm.Loud(20).Silent(20);
    test::TempDir dir;
    const std::string path = dir.Write("Side.wav", test::PcmWave(test::Format{1, 1, 1000, 16}, pcm.bytes()));
    AnalysisJob job;
    TrackList tracks;
    test::RecordingSeam seam;
    ASSERT_EQ(AnalyzeWaveFile(path, 10, 10, job, tracks, seam), ScanOutcome::Completed);
    ASSERT_EQ(tracks.size(), 10050u);  // the silence after the last piece is still open at the end
    EXPECT_EQ(tracks[8].Name, "Side.0009");
    EXPECT_EQ(tracks[9998].Name, "Side.9999");
    EXPECT_EQ(tracks[9999].Name, "Side.10000");
    EXPECT_EQ(tracks[10049].Name, "Side.10050");
    EXPECT_EQ(tracks[10049].Start, FormatTime(10049 * 40 - 10));
    EXPECT_EQ(tracks[10049].Stop, FormatTime(10050 * 40));
}

}  // namespace
}  // namespace quillon::engine
