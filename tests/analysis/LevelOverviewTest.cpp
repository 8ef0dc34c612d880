#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "analysis/AnalysisJob.h"
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

TEST(NothingFound, TellsTheLongestStretchAndWhereAMinimumOneIs) {
    // Pieces at 50 %, a 1.2 s pause at 12 % at 00:43:120, then 3.4 s at 13 %.
    Pcm pcm(16, 1);
    pcm.Level(43120, 16000).Level(1200, 12 * 328).Level(5000, 16000).Level(3400, 13 * 328).Level(2000, 16000);
    TempDir dir;
    const AnalysisReport report = Report(dir.Write("a.wav", PcmWave(Format{1, 1, 1000, 16}, pcm.bytes())), 13);
    ASSERT_TRUE(report.Nothing);
    EXPECT_EQ(report.Nothing->LongestMs, 1200u);
    EXPECT_EQ(report.Nothing->LongestStartMs, 43120u);
    EXPECT_EQ(report.Nothing->FoundAtPercent, 14);
    EXPECT_EQ(report.Nothing->FoundLongestMs, 3400u);
    EXPECT_EQ(DescribeNothingFound(*report.Nothing),
              "No quiet stretch longer than 3 s below 13 %. The longest is 1.2 s at 00:43:120; at 14 % there is one "
              "of 3.4 s.");

    NothingFound none{10, 2500, 0, 0, std::nullopt, 0};
    EXPECT_EQ(DescribeNothingFound(none),
              "No quiet stretch longer than 2.5 s below 10 %. Nothing is that quiet; there is none up to 100 %.");
    EXPECT_FALSE(Report(dir.Write("b.wav", PcmWave(Format{1, 1, 1000, 16}, pcm.bytes())), 14).Nothing)
        << "two tracks: nothing to explain";
}

}  // namespace
}  // namespace quillon::test
