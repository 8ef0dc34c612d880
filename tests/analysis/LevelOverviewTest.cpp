#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "analysis/AnalysisJob.h"
#include "analysis/LevelOverview.h"
#include "analysis/SilenceDetect.h"
#include "app/ErrorCodes.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace engine;

struct Layout {
    const char* name;
    uint16_t bits, channels, align;  // align: bytes per frame, padding after the samples
    uint32_t rate, frames;
};

// The recording's scan report at the default thresholds.
AnalysisReport Report(const std::string& path, int32_t percent = 10, int32_t minMs = 3000) {
    AnalysisJob job;
    job.State = JobRunning;
    TrackList tracks;
    RecordingSeam seam;
    AnalysisReport report;
    EXPECT_NE(AnalyzeWaveFile(path, percent, minMs, job, tracks, seam, &report), ScanOutcome::Failed);
    return report;
}

class OverviewLevels : public ::testing::TestWithParam<Layout> {};

TEST_P(OverviewLevels, EqualTheLargestTestedSampleOfEachColumn) {
    const Layout l = GetParam();
    const int bytes = l.bits / 8;
    // Random samples whose size grows along the file; padding bytes must not count.
    std::mt19937 random(7);
    Bytes data(std::size_t(l.frames) * l.align);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(random() % (1 + i * 255 / data.size()));
    TempDir dir;
    const LevelOverview overview =
        Report(dir.Write("a.wav", PcmWave(Format{1, l.channels, l.rate, l.bits, l.align}, data))).Overview;

    const uint32_t columnFrames = std::max<uint32_t>(1, l.rate / 100);
    ASSERT_EQ(overview.ColumnFrames, columnFrames);
    ASSERT_EQ(overview.Peaks.size(), (l.frames + columnFrames - 1) / columnFrames);
    for (std::size_t c = 0; c < overview.Peaks.size(); ++c) {
        int peak = 0;
        for (uint32_t f = uint32_t(c) * columnFrames; f < std::min(l.frames, uint32_t(c + 1) * columnFrames); ++f) {
            for (int ch = 0; ch < l.channels; ++ch) {
                const uint8_t* s = &data[std::size_t(f) * l.align + std::size_t(ch * bytes)];
                const int v = bytes == 1 ? s[0] - 128 : int16_t(uint16_t(s[0] | s[1] << 8));
                peak = std::max(peak, std::abs(v));
            }
        }
        ASSERT_EQ(overview.Peaks[c], peak) << "column " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, OverviewLevels,
                         ::testing::Values(Layout{"Mono8", 8, 1, 1, 8000, 8123},
                                           Layout{"Stereo8", 8, 2, 2, 11025, 9000},
                                           Layout{"Mono16", 16, 1, 2, 22050, 30001},
                                           // 30 s: the scan's 4 MiB block ends inside a 10 ms column
                                           Layout{"Stereo16AcrossABlock", 16, 2, 4, 44100, 1323000},
                                           Layout{"Stereo16Padded", 16, 2, 6, 48000, 4800}),
                         [](const auto& layout) { return std::string(layout.param.name); });

// The peaks of every level, fed in pieces that start and end anywhere in a
// column, against one sample at a time: full scale both ways (-32768, 0 at 8
// bits), padding that must not count, columns shorter and longer than a vector.
TEST(PeakScanner, EveryLevelGivesThePlainPeaksFromAnyPieces) {
    std::mt19937 random(3);
    for (const Layout l :
         {Layout{"Mono8", 8, 1, 1, 8000, 5000}, Layout{"Stereo8", 8, 2, 2, 1500, 5000},
          Layout{"Mono16", 16, 1, 2, 44100, 5000}, Layout{"Stereo16", 16, 2, 4, 2000, 5000},
          Layout{"Stereo16Padded", 16, 2, 6, 8000, 5000}, Layout{"Mono16Padded", 16, 1, 4, 300, 5000}}) {
        WaveFormat f;
        f.wFormatTag = 1;
        f.nChannels = l.channels;
        f.nSamplesPerSec = l.rate;
        f.wBitsPerSample = l.bits;
        f.nBlockAlign = l.align;
        // Small values, and now and then one at full scale, so a column's peak may lie anywhere in it.
        Bytes data(std::size_t(l.frames) * l.align);
        const int full = l.bits == 8 ? 128 : 32768;
        for (std::size_t i = 0; i + l.bits / 8 <= data.size(); i += l.bits / 8) {
            const uint32_t r = random();
            const int v = r % 150 == 0 ? (r % 300 < 150 ? -full : full - 1) : int(r % 41) - 20;
            if (l.bits == 8) {
                data[i] = uint8_t(v + 128);
            } else {
                data[i] = uint8_t(uint16_t(v));
                data[i + 1] = uint8_t(uint16_t(v) >> 8);
            }
        }
        const uint32_t columnFrames = OverviewColumnFrames(l.rate, l.frames);
        std::vector<uint16_t> plain((l.frames + columnFrames - 1) / columnFrames);
        for (uint32_t i = 0; i < l.frames; ++i) {
            for (int s = 0; s < (l.channels == 1 ? 1 : 2); ++s) {
                const uint8_t* p = &data[std::size_t(i) * l.align + std::size_t(s * (l.bits / 8))];
                const int v = l.bits == 8 ? p[0] - 128 : int16_t(uint16_t(p[0] | p[1] << 8));
                plain[i / columnFrames] = std::max<uint16_t>(plain[i / columnFrames], uint16_t(std::abs(v)));
            }
        }
        for (VectorLevel level : {VectorLevel::Portable, VectorLevel::Sse2, VectorLevel::Avx2}) {
            SCOPED_TRACE(testing::Message() << l.name << " level " << int(level));
            const PeakScanner scanner(f, columnFrames, level);
            std::vector<uint16_t> peaks(plain.size());
            for (uint32_t at = 0; at < l.frames;) {
                const uint32_t n = std::min(l.frames - at, 1 + uint32_t(random() % 700));
                scanner.Feed(at, &data[std::size_t(at) * l.align], n, peaks.data(), 0, peaks.size());
                at += n;
            }
            EXPECT_TRUE(peaks == plain);
            // Into a window of columns, as a block of the scan keeps its own.
            std::vector<uint16_t> window(3);
            scanner.Feed(0, data.data(), l.frames, window.data(), 2, window.size());
            EXPECT_TRUE(std::equal(window.begin(), window.end(), plain.begin() + 2));
        }
    }
}

// The classifier's pass that takes the peaks too: pieces from anywhere, columns
// of 64 frames and more, one column sent to a head of its own, the frames it
// leaves to the caller fed as the scan feeds them.
TEST(PeakScanner, PeaksTakenWhileJudgingAreThePlainPeaks) {
    std::mt19937 random(5);
    for (const uint16_t channels : {1, 2}) {
        for (const uint32_t columnFrames : {64u, 65u, 441u, 1000u}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, columns of " << columnFrames);
            WaveFormat f;
            f.wFormatTag = 1;
            f.nChannels = channels;
            f.nSamplesPerSec = 44100;
            f.wBitsPerSample = 16;
            f.nBlockAlign = uint16_t(2 * channels);
            const uint32_t frames = 20000;
            Bytes data(std::size_t(frames) * f.nBlockAlign);
            for (std::size_t i = 0; i < data.size(); i += 2) {
                const uint32_t r = random();
                const int v = r % 150 == 0 ? (r % 300 < 150 ? -32768 : 32767) : int(r % 8001) - 4000;
                data[i] = uint8_t(uint16_t(v));
                data[i + 1] = uint8_t(uint16_t(v) >> 8);
            }
            std::vector<uint16_t> plain((frames + columnFrames - 1) / columnFrames);
            for (uint32_t i = 0; i < frames * channels; ++i) {
                const int v = int16_t(uint16_t(data[2 * i] | data[2 * i + 1] << 8));
                plain[i / channels / columnFrames] = std::max<uint16_t>(plain[i / channels / columnFrames],
                                                                        uint16_t(std::abs(v)));
            }
            for (VectorLevel level : {VectorLevel::Portable, VectorLevel::Sse2, VectorLevel::Avx2}) {
                const FrameClassifier classifier(f, 10, level);
                const PeakScanner scanner(f, columnFrames, level);
                std::vector<uint16_t> peaks(plain.size());
                uint16_t head = 0;
                const ColumnPeaks into{columnFrames, peaks.data(), 7, &head};
                std::vector<uint64_t> mask(frames / 64 + 1), whole(frames / 64 + 1);
                for (uint32_t at = 0; at < frames;) {
                    const uint32_t n = std::min(frames - at, 1 + uint32_t(random() % 3000));
                    const uint8_t* p = &data[std::size_t(at) * f.nBlockAlign];
                    const std::size_t done = classifier.ClassifyWithPeaks(p, n, mask.data(), at, into);
                    scanner.Feed(at + done, p + done * f.nBlockAlign, n - done, peaks.data(), 0, peaks.size());
                    classifier.Classify(p, n, whole.data());
                    ASSERT_TRUE(std::equal(mask.begin(), mask.begin() + (n + 63) / 64, whole.begin()))
                        << "the frames are judged as Classify judges them";
                    at += n;
                }
                if (level == VectorLevel::Avx2 && UsableVectorLevel(level) == level) {
                    EXPECT_GT(head, 0) << "column 7 went to the head";
                }
                peaks[7] = std::max(peaks[7], head);  // and Feed put the rest in its place
                EXPECT_TRUE(peaks == plain) << "level " << int(level);
            }
        }
    }
}

TEST(Overview, LongRecordingsAreCoarsenedNotRefused) {
    EXPECT_EQ(OverviewColumnFrames(44100, 44100 * 3600), 441u);  // an hour: 10 ms, 360,000 columns
    const uint64_t day = uint64_t(44100) * 86400;
    const uint32_t coarse = OverviewColumnFrames(44100, day);
    EXPECT_EQ(coarse % 441, 0u);
    EXPECT_LE((day + coarse - 1) / coarse, kMaxOverviewColumns);
    EXPECT_EQ(OverviewColumnFrames(50, 100), 1u);  // under 100 Hz a column is one frame
}

TEST(Overview, QuietStretchesAreWholeQuietColumnsThatEndBeforeTheRecording) {
    LevelOverview o;
    o.SamplesPerSec = 1000;
    o.ColumnFrames = 10;
    o.Peaks = {900, 5, 5, 900, 9, 10, 9, 900, 0, 0};
    const std::vector<QuietStretch> s = QuietStretches(o, 10);
    ASSERT_EQ(s.size(), 3u);  // 10 is not below 10; the last run is still open at the end
    EXPECT_EQ(s[0].StartFrame, 10u);
    EXPECT_EQ(s[0].Frames, 20u);
    EXPECT_EQ(s[1].StartFrame, 40u);
    EXPECT_EQ(s[2].StartFrame, 60u);
    EXPECT_EQ(s[2].Frames, 10u);
}

struct Unsplit {
    const char* name;
    int32_t percent;
    int32_t minMs;
    std::vector<std::pair<uint32_t, int>> levels;  // (ms at 1000 Hz, amplitude) in order
    const char* text;
};

void PrintTo(const Unsplit& u, std::ostream* os) { *os << u.name; }

class NothingFoundText : public ::testing::TestWithParam<Unsplit> {};

TEST_P(NothingFoundText, TellsTheLongestStretchAndTheExactAmplitudeOfOneLongEnough) {
    const Unsplit& u = GetParam();
    Pcm pcm(16, 1);
    for (const auto& [ms, amplitude] : u.levels) pcm.Level(ms, amplitude);
    TempDir dir;
    const AnalysisReport report = Report(dir.Write("a.wav", PcmWave(Format{1, 1, 1000, 16}, pcm.bytes())), u.percent,
                                         u.minMs);
    ASSERT_TRUE(report.Nothing);
    EXPECT_EQ(DescribeNothingFound(*report.Nothing), u.text);
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, NothingFoundText,
    ::testing::Values(
        // Pieces at 50 %, a 1.2 s pause at 12 % at 00:43:120, then 3.4 s at 13 %.
        Unsplit{"PauseThenLongerOne",
                13,
                3000,
                {{43120, 16000}, {1200, 12 * 328}, {5000, 16000}, {3400, 13 * 328}, {2000, 16000}},
                "No quiet stretch longer than 3 s below 13 %. The longest is 1.2 s at 00:43:120; at 14 % there is one "
                "of 3.4 s."},
        // 3002 frames at 13 % from frame 10003: 299 whole quiet 10 ms columns
        // (2990 frames), which is not longer than 3 s; the silence is, with the
        // 7 frames before them and the 5 after.
        Unsplit{"LongerByFramesThanItsColumns",
                10,
                3000,
                {{10003, 16000}, {3002, 13 * 328}, {2000, 16000}},
                "No quiet stretch longer than 3 s below 10 %. Nothing is that quiet; at 14 % there is one of 3 s."},
        Unsplit{"AShortPause",
                10,
                2500,
                {{1000, 16000}, {7, 100}, {3000, 16000}},
                "No quiet stretch longer than 2.5 s below 10 %. The longest is 7 ms at 00:01:000; there is none up "
                "to 100 %."},
        Unsplit{"AllQuiet",
                10,
                3000,
                {{5000, 100}},
                "No quiet stretch longer than 3 s below 10 %. The whole recording is quieter than 10 %: it is one "
                "silence, which cuts nothing."}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(NothingFound, NotAskedWhenTheAnalysisFoundTracks) {
    Pcm pcm(16, 1);
    pcm.Level(4000, 16000).Level(3400, 13 * 328).Level(2000, 16000);
    TempDir dir;
    EXPECT_FALSE(Report(dir.Write("b.wav", PcmWave(Format{1, 1, 1000, 16}, pcm.bytes())), 14).Nothing);
}

}  // namespace
}  // namespace quillon::test
